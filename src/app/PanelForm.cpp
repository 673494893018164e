// The handlers of the panel's window, in the order the operator meets them:
// start-up and port, the transaction, replies, buttons, free entry and views.
#include "app/PanelForm.h"

#include "protocol/Utf8.h"

namespace qd40 {

namespace {

Text toText(std::string_view ascii) {
  return fromBytes(ascii);
}

}  // namespace

PanelForm::PanelForm(Window& window, FormTimers timers, SerialService& serial)
    : m_window(window), m_timers(timers), m_serial(serial) {
  m_timers.repeat.setHandler([this] { repeatHeld(); });
  m_timers.replyWindow.setHandler([this] { closeReplyWindow(); });
  m_timers.settingsHider.setHandler([this] { hidePortSettings(); });
  m_timers.monitorClear.setHandler([this] { clearMonitor(); });
  m_serial.setCommHandler([this] { charactersArrived(); });
  m_serial.setLostHandler([this](const std::string& why) { portLost(why); });
  m_serial.setTroubleHandler([this](const std::string& why) { portTrouble(why); });
  // A notice stands where a loss would: in the status text and the box.
  m_serial.setNoticeHandler([this](const std::string& why) { portLost(why); });
  // A port on the network may come back by itself, tried in the background.
  m_serial.setConnectedHandler([this] { portRecovered(); });
}

void PanelForm::load() {
  m_state.portSettings = kFastSettings;
  m_state.cmdPrefix.clear();

  // The top is computed from the designed (full) height, before the window
  // shrinks to its compact height, so the compact window sits above centre.
  const ScreenSize screen = m_window.screenSize();
  m_window.move((screen.width - m_window.width()) / 2.0, (screen.height - m_window.height()) / 2.0);
  m_window.setHeight(kCompactHeight);

  m_state.repeatCode = 0;
  m_state.replyPending = false;
  m_state.rxBuffer.clear();

  m_serial.setCommPort(1);
  m_serial.setSettings(m_state.portSettings);
  if (PortStatus opened = m_serial.open(); !opened) {
    // Told on the standard error now, and in a box once the window shows.
    m_startFailure = opened.description;
    m_trouble = opened.description;
    m_window.writeError(opened.description);
  }

  m_window.setMarked(Control::Com1, true);
  selectCom1();
}

void PanelForm::shown() {
  if (!m_startFailure) return;
  const std::string why = std::move(*m_startFailure);
  m_startFailure.reset();
  m_window.messageBox(why);
}

void PanelForm::selectCom1() {
  selectPort(1, 2);
}
void PanelForm::selectCom2() {
  selectPort(2, 1);
}
void PanelForm::selectFastSpeed() {
  selectSpeed(kFastSettings);
}
void PanelForm::selectSlowSpeed() {
  selectSpeed(kSlowSettings);
}

void PanelForm::deviceChosen(int number) {
  if (number == m_serial.commPort()) selectPort(number, number == 1 ? 2 : 1, Reopen::Always);
}

void PanelForm::selectPort(int chosen, int fallback, Reopen reopen) {
  const int previous = m_serial.commPort();
  const bool wasOpen = m_serial.isOpen();
  if (wasOpen) m_serial.close();
  PortStatus result = m_serial.setCommPort(chosen);
  if (result && (wasOpen || reopen == Reopen::Always)) result = m_serial.open();
  if (!result) {
    // The box is modal but lets timers and the port run; the fallback number
    // is set only once the operator has dismissed it.
    m_window.writeError(result.description);
    m_window.messageBox(result.description);
    m_serial.setCommPort(fallback);
    // The marks name the port the next send opens. Marking runs no handler.
    m_window.setMarked(fallback == 1 ? Control::Com1 : Control::Com2, true);
    return;
  }
  // The port box tells of the port in use: it goes when the port opens, and
  // when another port is chosen while closed, whose own trouble is told
  // when it shows.
  if (m_serial.isOpen() || chosen != previous) portRecovered();
  m_window.setVisible(Control::PortSettings, false);
}

void PanelForm::selectSpeed(std::string_view settings) {
  m_state.portSettings = settings;
  m_serial.setSettings(m_state.portSettings);
  m_window.setVisible(Control::PortSettings, false);
}

void PanelForm::showPortSettings() {
  m_window.setVisible(Control::PortSettings, true);
  m_timers.settingsHider.setEnabled(true);
}

void PanelForm::hidePortSettings() {
  m_window.setVisible(Control::PortSettings, false);
  m_timers.settingsHider.setEnabled(false);
}

void PanelForm::end() {
  m_serial.close();
  m_window.close();
}

void PanelForm::charactersArrived() {
  if (m_serial.commEvent() != CommEvent::Receive) return;
  m_state.rxBuffer.append(m_serial.input());
  m_state.replyPending = false;
  showReceived(m_state.rxBuffer);
}

void PanelForm::closeReplyWindow() {
  if (m_state.replyPending) {
    m_window.setCaption(Control::RxMonitor, std::string(kNoReplyMarker));
  }
  // Every reply ends with a carriage return: one that never came, or was
  // cut short, may have been read by another program.
  const Text& received = m_state.rxBuffer.chars();
  if (m_state.replyPending || received.empty() || received.back() != kCR) {
    m_serial.replyMissing();
  }
  m_timers.replyWindow.setEnabled(false);
  m_state.rxBuffer.clear();
  m_state.replyPending = false;
}

void PanelForm::clearMonitor() {
  m_window.setCaption(Control::TxMonitor, "");
  m_window.setCaption(Control::RxMonitor, "");
  m_window.setCaption(Control::StatusText, "");
  m_timers.monitorClear.setEnabled(false);
}

void PanelForm::portLost(const std::string& description) {
  m_window.setCaption(Control::StatusText, description);
  portTrouble(description);
}

void PanelForm::portTrouble(const std::string& description) {
  if (description == m_trouble) return;
  m_trouble = description;
  m_window.writeError(description);
  m_window.showPortProblem(description);
}

void PanelForm::portRecovered() {
  if (m_trouble.empty()) return;
  m_trouble.clear();
  m_window.closePortProblem();
}

void PanelForm::sendLine(const Text& line) {
  // Every send starts its reply afresh: characters left from an earlier
  // reply window, or that arrived while none was open, would otherwise stand
  // in front of this reply and be decoded in its place.
  m_state.rxBuffer.clear();
  const PortStatus written = writeLine(line);
  m_window.setCaption(Control::TxMonitor, renderMonitor(line));
  m_timers.replyWindow.setEnabled(true);
  m_state.replyPending = true;
  m_timers.monitorClear.setEnabled(true);
  // A line that could not go out still runs its transaction, so the operator
  // sees the same timing as always, plus the reason in the status text.
  if (!written) m_window.setCaption(Control::StatusText, written.description);
}

void PanelForm::showReceived(const Text& line) {
  showRendered(renderMonitor(line));
}

PortStatus PanelForm::writeLine(const Text& line) {
  // A port that could not be opened, or was lost, gets one attempt to open
  // again with the current number and settings before each line.
  if (!m_serial.isOpen()) {
    if (PortStatus opened = m_serial.open(); !opened) {
      portTrouble(opened.description);
      return opened;
    }
    // A port on the network says so itself once its connection stands.
    if (m_serial.connected()) portRecovered();
  }
  return m_serial.output(toUtf8(line));
}

void PanelForm::showRendered(const std::string& rendered) {
  m_window.setCaption(Control::RxMonitor, rendered);
  showStatus(decodeStatus(m_state.sendLine, m_state.cmdPrefix, rendered));
}

// The same captions as for the whole rendering, with work in proportion to
// what the delivery added rather than to all that came before it.
void PanelForm::showReceived(const RxBuffer& buffer) {
  m_rxMonitor.show(m_window, buffer);
  switch (replyStatus(m_state.sendLine, m_state.cmdPrefix)) {
    case ReplyStatus::None:
      break;
    case ReplyStatus::LeadingPositions:
      showStatus(decodeStatus(m_state.sendLine, m_state.cmdPrefix, buffer.rendered()));
      break;
    case ReplyStatus::WholeReply:
      m_rxStatus.show(m_window, buffer);
      break;
    case ReplyStatus::PressureNumber:
      showStatus(pressureStatus(readPressure(buffer)));
      break;
  }
}

double PanelForm::readPressure(const RxBuffer& buffer) {
  const std::string& rendered = buffer.rendered();
  if (!m_pressure || m_pressure->generation != buffer.generation() ||
      m_pressure->read > rendered.size()) {
    m_pressure.emplace(PressureNumber{buffer.generation(), 0, {}});
  }
  m_pressure->number.feed(std::string_view(rendered).substr(m_pressure->read));
  m_pressure->read = rendered.size();
  return m_pressure->number.value();
}

void PanelForm::showStatus(const StatusResult& status) {
  if (status.pressureValue) m_state.pressureValue = *status.pressureValue;
  if (status.text) m_window.setCaption(Control::StatusText, *status.text);
}

void PanelForm::setReplyTiming(ReplyTiming timing) {
  m_timers.replyWindow.setInterval(timing.replyWindow);
  m_timers.monitorClear.setInterval(timing.clearing);
}

void PanelForm::send(std::string_view code) {
  m_state.sendLine = m_state.cmdPrefix + toText(code) + kCR;
  sendLine(m_state.sendLine);
}

void PanelForm::applyBefore(const SendTimers& timers) {
  if (timers.before) setReplyTiming(*timers.before);
}

void PanelForm::applyAfter(const SendTimers& timers) {
  if (timers.repeatInterval) m_timers.repeat.setInterval(*timers.repeatInterval);
  if (timers.after) setReplyTiming(*timers.after);
  if (timers.arrowMode) m_state.arrowMode = *timers.arrowMode;
}

void PanelForm::clickAction(const ActionRow& row) {
  const SendTimers timers = pressTimers(row, m_state.arrowMode);
  applyBefore(timers);
  send(row.code);
  applyAfter(timers);
}

void PanelForm::pressHeld(const ActionRow& row) {
  const SendTimers timers = pressTimers(row, m_state.arrowMode);
  applyBefore(timers);
  m_state.repeatCode = row.hold.row;
  send(row.code);
  applyAfter(timers);
  m_timers.repeat.setEnabled(true);
}

void PanelForm::repeatHeld() {
  const ActionRow* row = actionByRepeatRow(m_state.repeatCode);
  if (row == nullptr) return;
  send(row->code);
  m_timers.repeat.setEnabled(true);
}

void PanelForm::releaseHeld(const ActionRow& row) {
  m_state.repeatCode = 0;
  m_timers.repeat.setEnabled(false);
  m_timers.replyWindow.setEnabled(false);
  m_timers.monitorClear.setEnabled(true);
  m_window.setCaption(Control::TxMonitor, "");
  m_window.setCaption(Control::RxMonitor, "");
  m_state.rxBuffer.clear();
  applyAfter(releaseTimers(row));
}

void PanelForm::sendTyped() {
  applyBefore(freeEntryTimers());
  m_state.typedLine = fromUtf8(m_window.caption(Control::FreeEntry));
  m_state.sendLine = m_state.cmdPrefix + m_state.typedLine + kCR;
  sendLine(m_state.sendLine);
}

void PanelForm::clearTyped() {
  m_window.setCaption(Control::FreeEntry, "");
}

void PanelForm::toggleDataView() {
  m_timers.settingsHider.setEnabled(false);
  m_state.extendedUnlock = false;
  if (m_window.height() >= kOpenViewThreshold) {
    m_window.setHeight(kCompactHeight);
    m_window.setCaption(Control::ViewButton, std::string(kShowDataCaption));
  } else {
    m_window.setHeight(kDataViewHeight);
    m_window.setCaption(Control::ViewButton, std::string(kHideDataCaption));
  }
  m_timers.settingsHider.setEnabled(true);
}

void PanelForm::keyDown(int keyCode, KeyModifiers modifiers) {
  if (keyCode != kKeyK || !modifiers.alt || modifiers.shift || modifiers.ctrl) return;
  m_window.setHeight(kSwitchedHeight);
  m_state.extendedUnlock = true;
  m_window.setCaption(Control::ViewButton, std::string(kCloseCaption));
  m_window.setVisible(Control::ViewButton, true);
}

void PanelForm::logoDoubleClicked() {
  if (!m_state.extendedUnlock) return;
  m_window.setHeight(kFullHeight);
  m_window.setCaption(Control::ViewButton, std::string(kCloseCaption));
  m_window.setVisible(Control::ViewButton, true);
}

}  // namespace qd40
