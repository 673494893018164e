#include "VirtualPlatform.h"

#include <algorithm>
#include <utility>

namespace qd40::test {

void VirtualTimer::arm() {
  m_deadline = m_clock.now() + m_interval;
  m_order = m_clock.nextOrder();
}

void VirtualTimer::setInterval(int ms) {
  m_interval = ms;
  if (m_enabled) arm();
}

void VirtualTimer::setEnabled(bool enabled) {
  if (enabled && !m_enabled) arm();
  m_enabled = enabled;
}

void VirtualTimer::fire() {
  // A periodic timer's next countdown starts as it ticks.
  arm();
  if (m_onTick) m_onTick();
}

VirtualTimer& VirtualClock::makeTimer(int interval) {
  m_timers.push_back(std::make_unique<VirtualTimer>(*this, interval));
  return *m_timers.back();
}

void VirtualClock::advance(std::int64_t ms) {
  const std::int64_t end = m_now + ms;
  for (;;) {
    VirtualTimer* next = nullptr;
    for (const auto& timer : m_timers) {
      if (!timer->isEnabled() || timer->deadline() > end) continue;
      if (next == nullptr || timer->deadline() < next->deadline() ||
          (timer->deadline() == next->deadline() && timer->order() < next->order())) {
        next = timer.get();
      }
    }
    if (next == nullptr) break;
    m_now = std::max(m_now, next->deadline());
    next->fire();
  }
  m_now = end;
}

void FakeWindow::setCaption(Control control, const std::string& text) {
  m_captions[control] = text;
  ++m_captionWrites[control];
  m_captionBytes += text.size();
}

void FakeWindow::appendCaption(Control control, std::string_view added) {
  m_captions[control] += added;
  ++m_captionWrites[control];
  m_captionBytes += added.size();
}

std::uint64_t FakeWindow::captionWrites(Control control) const {
  const auto it = m_captionWrites.find(control);
  return it == m_captionWrites.end() ? 0 : it->second;
}

std::string FakeWindow::caption(Control control) const {
  return captionText(control);
}

const std::string& FakeWindow::captionText(Control control) const {
  static const std::string kNone;
  const auto it = m_captions.find(control);
  return it == m_captions.end() ? kNone : it->second;
}

bool FakeWindow::isVisible(Control control) const {
  const auto it = m_visible.find(control);
  if (it != m_visible.end()) return it->second;
  return control != Control::PortSettings && control != Control::ViewButton;
}

void FakeWindow::setMarked(Control option, bool marked) {
  // Marking one button of a group unmarks the other, as option buttons do.
  static constexpr std::pair<Control, Control> kGroups[] = {
      {Control::Com1, Control::Com2}, {Control::FastSpeed, Control::SlowSpeed}};
  m_marked[option] = marked;
  if (!marked) return;
  for (const auto& [first, second] : kGroups) {
    if (option == first) m_marked[second] = false;
    if (option == second) m_marked[first] = false;
  }
}

void FakeWindow::showPortProblem(const std::string& text) {
  m_portProblems.push_back(text);
  m_portBoxOpen = true;
}

bool FakeWindow::isMarked(Control option) const {
  const auto it = m_marked.find(option);
  return it != m_marked.end() ? it->second : option == Control::FastSpeed;
}

void FakeWindow::messageBox(const std::string& text) {
  m_messages.push_back(text);
  if (whileMessageBoxOpen) whileMessageBoxOpen();
}

PortStatus FakeSerial::setCommPort(int number) {
  log.push_back("port " + std::to_string(number));
  if (number != 1 && number != 2) return PortStatus::failure("no such port number");
  m_number = number;
  return PortStatus::success();
}

PortStatus FakeSerial::setSettings(const std::string& settings) {
  log.push_back("settings " + settings);
  m_settings = settings;
  return PortStatus::success();
}

PortStatus FakeSerial::open() {
  log.push_back("open");
  if (const auto failure = m_failures.find(m_number);
      failure != m_failures.end() && !failure->second.empty()) {
    return PortStatus::failure(failure->second);
  }
  if (!m_present[m_number]) {
    return PortStatus::failure("COM" + std::to_string(m_number) + ": no such device");
  }
  m_open = true;
  return PortStatus::success();
}

void FakeSerial::close() {
  log.push_back("close");
  m_open = false;
}

PortStatus FakeSerial::output(const std::string& bytes) {
  if (!m_open) return PortStatus::failure("not open");
  m_writes.push_back({m_clock.now(), bytes});
  return PortStatus::success();
}

std::string FakeSerial::input() {
  return std::exchange(m_waiting, {});
}

void FakeSerial::receive(const std::string& bytes) {
  m_waiting += bytes;
  raise(CommEvent::Receive);
}

void FakeSerial::raise(CommEvent event) {
  m_event = event;
  if (m_onComm) m_onComm();
  m_event = CommEvent::None;
}

void FakeSerial::lose(const std::string& why) {
  m_open = false;
  if (m_onLost) m_onLost(why);
}

}  // namespace qd40::test
