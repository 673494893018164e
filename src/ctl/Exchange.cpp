// One projector's line: open, send, gather the reply for its window, decode.
#include "ctl/Exchange.h"

#include "protocol/Commands.h"
#include "protocol/StatusDecoder.h"
#include "protocol/Utf8.h"
#include "serial/NetworkPort.h"

namespace qd40::ctl {

namespace {

// No prefix goes before a code, as in the panel.
const Text kNoPrefix;

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
  m_window.setSingleShot(true);
  m_window.setTimerType(Qt::PreciseTimer);
  connect(&m_window, &QTimer::timeout, this, &Exchange::windowClosed);
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
    m_window.stop();
    m_result.error = why;
    windowClosed();
  }
}

void Exchange::send(const Text& line, std::string code, int windowMs,
                    std::function<void(const LineResult&)> done) {
  m_rx.clear();
  m_line = line;
  m_result = LineResult{
      std::move(code), {}, {}, {}, replyStatus(line, kNoPrefix) != ReplyStatus::None, {}};
  m_done = std::move(done);
  if (lost()) {
    m_result.error = m_lostWhy;
    m_window.start(0);
    return;
  }
  if (const PortStatus written = m_router.output(toUtf8(line)); !written) {
    m_result.error = written.description;
  }
  m_window.start(windowMs);
}

void Exchange::onComm() {
  if (m_router.commEvent() != CommEvent::Receive) return;
  const std::string bytes = m_router.input();
  // Outside a reply window nothing is awaited; the panel too drops what
  // came before a send when it sends.
  if (!m_done) return;
  m_rx.append(bytes);
}

void Exchange::windowClosed() {
  auto done = std::exchange(m_done, {});
  if (!done) return;
  m_result.reply = bytesOf(m_rx.chars());
  // The panel decodes every piece as it comes, but a reply only grows and
  // a table's key is its first positions, so the last piece's text is the
  // text of the whole: decoded once here, it is what the panel shows when
  // the window closes.
  if (!m_rx.empty()) m_result.text = decodeStatus(m_line, kNoPrefix, m_rx.rendered()).text;
  m_result.monitor = m_rx.empty() ? std::string(kNoReplyMarker) : m_rx.rendered();
  done(m_result);
}

void Exchange::close() {
  m_window.stop();
  m_opened = {};
  m_done = {};
  m_router.close();
}

}  // namespace qd40::ctl
