#pragma once
// The form on the virtual platform, started as the program starts it.
#include "VirtualPlatform.h"
#include "app/PanelForm.h"
#include "protocol/Commands.h"

namespace qd40::test {

struct FormHarness {
  VirtualClock clock;
  FakeWindow window;
  FakeSerial serial{clock};
  VirtualTimer& timer1 = clock.makeTimer(kTimer1Start);
  VirtualTimer& timer2 = clock.makeTimer(kTimer2Start);
  VirtualTimer& timer3 = clock.makeTimer(kTimer3Start);
  VirtualTimer& timer4 = clock.makeTimer(kTimer4Start);
  PanelForm form{window, FormTimers{timer1, timer2, timer3, timer4}, serial};

  explicit FormHarness(bool load = true) {
    if (load) form.load();
  }

  std::string caption(Control control) const { return window.caption(control); }
  void click(std::string_view button);
  void press(std::string_view button);
  void release(std::string_view button);
  // Everything written to the line since the last call, with virtual times.
  std::vector<FakeSerial::Write> takeWrites();
  // Drops every line written so far, taken or not.
  void forgetWrites();

 private:
  std::size_t m_taken = 0;
};

}  // namespace qd40::test
