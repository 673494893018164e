#include "FormHarness.h"

#include <stdexcept>

namespace qd40::test {

namespace {

template <typename Table>
const auto& rowFor(const Table& table, std::string_view button) {
  for (const auto& row : table) {
    if (row.button == button) return row;
  }
  throw std::invalid_argument("no such button: " + std::string(button));
}

}  // namespace

void FormHarness::click(std::string_view button) {
  if (button == "Command95") return form.Command95_Click();
  if (button == "Command96") return form.Command96_Click();
  if (button == "Command34") return form.Command34_Click();
  if (button == "Command33") return form.Command33_Click();
  form.commandClick(rowFor(kCommandTable, button));
}

void FormHarness::press(std::string_view button) {
  form.holdMouseDown(rowFor(kHoldTable, button));
}

void FormHarness::release(std::string_view button) {
  form.holdMouseUp(rowFor(kHoldTable, button));
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
