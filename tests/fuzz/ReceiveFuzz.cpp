// Drives the form's receive path with arbitrary bytes in arbitrary pieces, after
// a long chattering fill that reaches the buffer's limit when the input asks
// for it, with the labels cleared between two pieces when the input asks for
// that. Checks that the buffer keeps exactly min(received, limit) characters
// in order, and that after every piece the RXD line shows the rendering of
// the whole text received so far, and the status its decoding: after every
// piece while the text is short, then each time it doubled, and at the end.
#include <algorithm>
#include <array>
#include <string>

#include "FormHarness.h"
#include "FuzzInput.h"
#include "protocol/Monitor.h"
#include "protocol/StatusDecoder.h"

namespace {

using qd40::Control;
using qd40::RxBuffer;
using qd40::fuzz::FuzzInput;
using qd40::fuzz::require;

// What the line was asked before the reply comes in; "" sends an empty line,
// which asks for nothing.
constexpr std::array<std::string_view, 12> kQueries = {
    "", "CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CR9", "CRA", "CR PRESSURE", "C00", "CR"};

constexpr std::uint8_t kAnyFill = 128;
constexpr std::uint8_t kNearLimit = 192;
constexpr std::size_t kNearLimitSpan = 256;
// A fill piece costs its checks whatever its size; small pieces are the
// reply's, which come in 1 to 16 bytes.
constexpr std::size_t kMinFillPiece = 1024;
constexpr std::uint8_t kPieceSizes = 16;
// Bytes of rendering up to which the status is checked after every piece:
// every status reply renders in fewer.
constexpr std::size_t kShortRendering = 256;
// Bytes of the reply that are received. A longer reply, a piece of 1 to 16
// bytes at a time, costs more in pieces than it can show: a long buffer is
// the fill's part.
constexpr std::size_t kMaxReply = 512;

// One form serves every input: a fresh form for each cost more in allocating
// its buffers, again and again to the limit, than the receive path itself.
// Each input starts it over: the reply window and the clearing of the labels
// run out, which empties the buffer and the labels, and the query is sent,
// which sets what the reply is decoded as. The port and the settings, which
// the receive path does not read, stay as the start-up left them, and the
// lines the form sent are forgotten, so that the form does not grow.
qd40::test::FormHarness& startOver(std::string_view query) {
  static qd40::test::FormHarness h;
  h.form.closeReplyWindow();
  h.form.clearMonitor();
  h.forgetWrites();
  h.window.setCaption(Control::FreeEntry, std::string(query));
  h.click("Command95");
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  // Most cases start empty; a quarter fill near the limit, another quarter
  // anywhere up to twice it. The fill comes in large pieces, as from a busy line.
  const std::uint8_t mode = in.byte();
  const std::uint16_t amount = in.word();
  std::size_t fill = 0;
  if (mode >= kNearLimit) {
    fill = RxBuffer::kMaxChars - kNearLimitSpan / 2 + amount % kNearLimitSpan;
  } else if (mode >= kAnyFill) {
    fill = amount;
  }
  const std::size_t fillPiece = kMinFillPiece + std::size_t{in.byte()} * 131;
  // The low half of this byte sizes the reply's pieces; the high half, when
  // not 0, is the reply piece before which the labels are cleared.
  const std::uint8_t pieces = in.byte();
  const std::size_t piece = 1 + pieces % kPieceSizes;
  const std::size_t clearBefore = pieces / kPieceSizes;
  const std::string_view query = kQueries[in.byte() % kQueries.size()];
  const std::string_view reply = in.rest().substr(0, kMaxReply);

  qd40::test::FormHarness& h = startOver(query);

  // The characters the buffer must hold: the start of everything received;
  // and what the status shows, from the whole of them at once.
  // (Kept from input to input, with their room, as the form is.)
  static std::string expected;
  expected.clear();
  std::size_t received = 0;
  std::string status = h.caption(Control::StatusText);
  std::int16_t pressure = h.form.state().pressureValue;
  // How much of the RXD line is checked, and how long the rendering was that
  // the status was last decoded from. Between two clearings the line only
  // grows, so each piece checks what it added (the end checks it whole). The
  // status is decoded again whenever the rendering changed while it is short,
  // then when it doubled since the last time, and at the end; in between, it
  // is checked whenever the rendering is still the one decoded. A raw or a
  // pressure reply is decoded to its end, so decoding after every piece cost
  // pieces times length: far more than the receive path itself. A clearing
  // starts both again.
  std::size_t lineChecked = 0;
  std::size_t decodedFrom = std::string::npos;
  const auto checkStatus = [&](bool atEnd) {
    const std::string_view whole = h.form.state().rxBuffer.rendered();
    const bool due = decodedFrom == std::string::npos || whole.size() <= kShortRendering ||
                     whole.size() / 2 >= decodedFrom;
    if (whole.size() != decodedFrom && (atEnd || due)) {
      const qd40::StatusResult decoded =
          qd40::decodeStatus(h.form.state().sendLine, h.form.state().cmdPrefix, whole);
      if (decoded.text) status = *decoded.text;
      if (decoded.pressureValue) pressure = *decoded.pressureValue;
      decodedFrom = whole.size();
    }
    if (whole.size() == decodedFrom) {
      require(h.window.captionText(Control::StatusText) == status);
      require(h.form.state().pressureValue == pressure);
    }
  };
  const auto receive = [&](std::string_view bytes) {
    h.serial.receive(std::string(bytes));
    received += bytes.size();
    const std::size_t room = RxBuffer::kMaxChars - expected.size();
    expected.append(bytes.substr(0, std::min(room, bytes.size())));
    const RxBuffer& buffer = h.form.state().rxBuffer;
    require(buffer.chars().size() == std::min(received, RxBuffer::kMaxChars));
    // The buffer's rendering is checked against a fresh one at the end.
    const std::string_view whole = buffer.rendered();
    const std::string_view line = h.window.captionText(Control::RxMonitor);
    require(line.size() == whole.size() && lineChecked <= whole.size());
    require(line.substr(lineChecked) == whole.substr(lineChecked));
    lineChecked = whole.size();
    checkStatus(false);
  };

  const std::string pattern = reply.empty() ? std::string("7") : std::string(reply);
  // Doubled rather than repeated, so that a long fill costs a few copies.
  static std::string filler;
  filler = pattern;
  while (filler.size() < fill) filler += filler;
  filler.resize(fill);
  for (std::size_t at = 0; at < filler.size(); at += fillPiece) {
    receive(std::string_view(filler).substr(at, fillPiece));
  }
  for (std::size_t at = 0, index = 0; at < reply.size(); at += piece, ++index) {
    if (clearBefore != 0 && index == clearBefore) {
      h.form.clearMonitor();
      status.clear();
      lineChecked = 0;
      decodedFrom = std::string::npos;
    }
    receive(reply.substr(at, piece));
  }

  if (received > 0) checkStatus(true);

  const RxBuffer& buffer = h.form.state().rxBuffer;
  // Each character is its byte, widened.
  require(buffer.chars().size() == expected.size() &&
          std::equal(expected.begin(), expected.end(), buffer.chars().begin(),
                     [](char byte, char32_t c) { return static_cast<unsigned char>(byte) == c; }));
  require(buffer.rendered() == qd40::renderMonitor(buffer.chars()));
  // Once anything arrived, the RXD line shows the whole rendering.
  if (received > 0) require(h.window.captionText(Control::RxMonitor) == buffer.rendered());
  return 0;
}
