// One projector's line: open, send, gather the reply until it ends, decode.
#include "ctl/Exchange.h"

#include "config/NetworkPort.h"
#include "protocol/Commands.h"
#include "protocol/StatusDecoder.h"
#include "protocol/Utf8.h"

namespace qd40::ctl {

namespace {

// No prefix goes before a code, as in the panel.
const Text kNoPrefix;

// The quiet after a reply's CR that ends it: a projector writes a reply in
// one go, and tens of milliseconds are many characters even at 9600 baud.
constexpr std::chrono::milliseconds kQuietGap{40};

std::string bytesOf(const Text& chars) {
  std::string bytes;
  bytes.reserve(chars.size());
  for (const char32_t c : chars) bytes.push_back(static_cast<char>(c));
  return bytes;
}

}  // namespace

Exchange::Exchange(PortConfig ports, std::string settings, QObject* parent)
    : QObject(parent),
      m_ports(std::move(ports)),
      m_settings(std::move(settings)),
      m_device(m_ports),
      m_network(m_ports),
      m_router(m_device, m_network,
               [this](int number) { return isNetworkName(m_ports.choice(number).device); }) {
  for (QTimer* timer : {&m_window, &m_quiet, &m_settle}) {
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
  }
  connect(&m_window, &QTimer::timeout, this, [this] { endRead(false); });
  connect(&m_quiet, &QTimer::timeout, this, [this] { endRead(true); });
  connect(&m_settle, &QTimer::timeout, this, &Exchange::settled);
  m_router.setCommHandler([this] { onComm(); });
  m_router.setLostHandler([this](const std::string& why) { onLost(why); });
  m_router.setTroubleHandler([this](const std::string& why) {
    if (m_onNotice) m_onNotice(why);
  });
  m_router.setNoticeHandler([this](const std::string& why) {
    if (m_onNotice) m_onNotice(why);
  });
  m_router.setConnectedHandler([this] { onConnected(); });
}

Exchange::~Exchange() {
  m_onDiscard = {};
  close();
}

void Exchange::open(std::function<void(const PortStatus&)> done) {
  m_router.setCommPort(1);
  m_router.setSettings(m_settings);
  const PortStatus opened = m_router.open();
  // A device carries bytes once it is open; a network port once its
  // connection stands, which is reported later.
  if (!opened || m_router.connected()) {
    done(opened);
    return;
  }
  m_opened = std::move(done);
}

std::string LineResult::problem() const {
  if (!error.empty()) return error;
  if (late) return "late reply to " + code + " discarded";
  if (!answered()) return "no reply within " + std::to_string(windowMs) + " ms";
  if (truncated) return "reply cut at " + std::to_string(RxBuffer::kMaxChars) + " bytes";
  if (!looksComplete(reply)) return "no end of reply within " + std::to_string(windowMs) + " ms";
  if (!check.valid) return "unexpected reply";
  return {};
}

void Exchange::onConnected() {
  if (auto done = std::exchange(m_opened, {})) done(PortStatus::success());
}

void Exchange::onLost(const std::string& why) {
  if (auto done = std::exchange(m_opened, {})) {
    // The failed connection as an open would describe it now.
    PortStatus failed = m_router.open();
    if (failed) failed = PortStatus::failure(why);
    m_router.close();
    done(failed);
    return;
  }
  m_lostWhy = why;
  m_router.close();
  if (m_done) {
    m_result.error = why;
    endRead(false);
  }
}

void Exchange::send(const Text& line, std::string code, int windowMs,
                    std::function<void(const LineResult&)> done) {
  m_line = line;
  m_windowMs = windowMs;
  m_rx.clear();
  m_result = LineResult{};
  m_result.code = std::move(code);
  m_result.statusQuery = replyStatus(line, kNoPrefix) != ReplyStatus::None;
  m_result.windowMs = windowMs;
  m_done = std::move(done);
  if (lost()) {
    m_result.error = m_lostWhy;
    m_window.start(0);
    return;
  }
  // The last line's reply may still be coming: wait for it to arrive, or
  // for as long again as its window, so it cannot pass for this line's.
  if (m_graceMs > 0 || m_discarded > 0) {
    m_settling = true;
    m_settle.start(m_discarded > 0 ? static_cast<int>(kQuietGap.count()) : m_graceMs);
    return;
  }
  transmit();
}

void Exchange::settled() {
  m_settling = false;
  m_graceMs = 0;
  if (m_discarded > 0 && !m_lastEnded) m_result.discardedBefore = m_lastCode;
  reportDiscarded();
  transmit();
}

void Exchange::reportDiscarded() {
  if (m_discarded == 0) return;
  const std::string count = std::to_string(m_discarded) + " bytes";
  // Bytes after a reply that had ended are noise on the line; after one
  // cut off by its window they are the rest of it, or all of it, late.
  const std::string what = m_lastCode.empty() ? count + " before the first line"
                           : m_lastEnded      ? count + " after the reply to " + m_lastCode
                                              : "late reply to " + m_lastCode + " (" + count + ")";
  m_discarded = 0;
  if (m_onDiscard) m_onDiscard(what + " discarded");
}

void Exchange::transmit() {
  if (const PortStatus written = m_router.output(toUtf8(m_line)); !written) {
    m_result.error = written.description;
  }
  m_window.start(m_windowMs);
}

void Exchange::onComm() {
  if (m_router.commEvent() != CommEvent::Receive) return;
  const std::string bytes = m_router.input();
  // Between lines nothing is awaited: whatever comes is late, or noise, and
  // is counted to be named before the next line goes out.
  if (!m_done || m_settling) {
    m_discarded += bytes.size();
    if (m_settling) m_settle.start(kQuietGap);
    return;
  }
  if (m_rx.append(bytes) < bytes.size()) m_result.truncated = true;
  // At the reply's end the read waits a moment for anything that follows;
  // a piece without an end holds it open until the window closes.
  if (bytes.empty()) return;
  if (looksComplete(bytes)) {
    m_quiet.start(kQuietGap);
  } else {
    m_quiet.stop();
  }
}

void Exchange::endRead(bool ended) {
  m_window.stop();
  m_quiet.stop();
  m_settle.stop();
  m_settling = false;
  auto done = std::exchange(m_done, {});
  if (!done) return;
  m_lastCode = m_result.code;
  m_lastEnded = ended;
  m_result.reply = bytesOf(m_rx.chars());
  // A read cut off by its window may still have its reply, or the rest of
  // it, on the way: the next line waits as long again for it, or only a
  // moment when what came had reached its end.
  m_graceMs = ended                           ? 0
              : looksComplete(m_result.reply) ? static_cast<int>(kQuietGap.count())
                                              : m_windowMs;
  // The panel decodes every piece as it comes, but a reply only grows and
  // a table's key is its first positions, so the last piece's text is the
  // text of the whole: decoded once here, it is what the panel shows when
  // the window closes.
  if (!m_rx.empty()) m_result.text = decodeStatus(m_line, kNoPrefix, m_rx.rendered()).text;
  m_result.monitor = m_rx.empty() ? std::string(kNoReplyMarker) : m_rx.rendered();
  m_result.check = checkReply(m_result.code, m_result.reply);
  if (m_result.truncated) m_result.check = {};
  done(m_result);
}

void Exchange::close() {
  reportDiscarded();
  m_window.stop();
  m_quiet.stop();
  m_settle.stop();
  m_settling = false;
  m_opened = {};
  m_done = {};
  m_router.close();
}

}  // namespace qd40::ctl
