#include "FormHarness.h"

#include <stdexcept>

namespace qd40::test {

namespace {

const ActionRow& rowFor(std::string_view button) {
  if (const ActionRow* row = actionByButton(button)) return *row;
  throw std::invalid_argument("no such button: " + std::string(button));
}

}  // namespace

void FormHarness::click(std::string_view button) {
  if (button == "Command95") return form.sendTyped();
  if (button == "Command96") return form.clearTyped();
  if (button == "Command34") return form.toggleDataView();
  if (button == "Command33") return form.showPortSettings();
  form.clickAction(rowFor(button));
}

void FormHarness::press(std::string_view button) {
  form.pressHeld(rowFor(button));
}

void FormHarness::release(std::string_view button) {
  form.releaseHeld(rowFor(button));
}

std::vector<FakeSerial::Write> FormHarness::takeWrites() {
  const auto& all = serial.writes();
  std::vector<FakeSerial::Write> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_taken),
                                       all.end());
  m_taken = all.size();
  return fresh;
}

void FormHarness::forgetWrites() {
  serial.clearWrites();
  m_taken = 0;
}

}  // namespace qd40::test
