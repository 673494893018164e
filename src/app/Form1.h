#pragma once
// The panel's window as logic: the form state shared by all handlers and the
// handlers themselves, one per control event. It writes captions, timers and
// the port only through the toolkit and serial seams, so the same handlers run
// on the real window and on a virtual clock. It does not build any widget.
#include <cstdint>
#include <optional>
#include <string>

#include "app/GrowingCaption.h"
#include "line/SerialService.h"
#include "protocol/Commands.h"
#include "protocol/LeadingNumber.h"
#include "protocol/Monitor.h"
#include "protocol/StatusDecoder.h"
#include "protocol/Text.h"
#include "toolkit/Toolkit.h"

namespace qd40 {

struct FormState {
  std::uint8_t repeatCode = 0;
  std::uint8_t replyPending = 0;
  std::uint8_t arrowMode = 0;
  Text sendLine;
  RxBuffer rxBuffer;
  std::int16_t pressureValue = 0;
  std::int16_t extendedUnlock = 0;
  Text typedLine;
  std::string portSettings;
  Text cmdPrefix;
};

struct FormTimers {
  Timer& timer1;  // press-and-hold repeat
  Timer& timer2;  // reply window
  Timer& timer3;  // hides the port settings frame
  Timer& timer4;  // clears the monitor and status texts
};

class Form1 final {
 public:
  static constexpr std::uint8_t kSend = 1;
  static constexpr std::uint8_t kReceive = 2;
  static constexpr int kKeyK = 'K';
  static constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

  Form1(Window& window, FormTimers timers, SerialService& serial);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Start-up and the port.
  void Form_Load();
  // Runs once the window is on screen: reports a port that could not be
  // opened at start-up.
  void Form_Shown();
  void Option1_Click();
  void Option2_Click();
  void Option9_Click();
  void Option10_Click();
  // The operator chose a new device for COM<number> in the device chooser.
  // For the port in use this is a selection of that port by the same rules,
  // except that it opens the port even when it was closed: the operator has
  // just named the device to use. Another port is left alone.
  void deviceChosen(int number);
  void Command33_Click();
  void Timer3_Timer();
  void Command16_Click();

  // Receive path and reply timing.
  void MSComm1_OnComm();
  void Timer2_Timer();
  void Timer4_Timer();
  // The serial service lost an open port.
  void portLost(const std::string& description);
  // A trouble with the port in use, whatever found it. The box shows the
  // latest cause; a new cause replaces its text and writes one line to the
  // standard error, the same cause again does nothing.
  void portTrouble(const std::string& description);
  // The port in use works again: the box closes and the episode ends.
  void portRecovered();

  // The transaction: mode 1 sends, any other mode shows what was received.
  void Hyouji(const Text& line, std::uint8_t mode);
  void Hyouji(const RxBuffer& line, std::uint8_t mode);

  // The single-shot buttons, one procedure for every row of the command table.
  void commandClick(const CommandRow& row);

  // Press-and-hold buttons.
  void holdMouseDown(const HoldRow& row);
  void holdMouseUp(const HoldRow& row);
  void Timer1_Timer();

  // Free entry and the view button.
  void Command95_Click();
  void Command96_Click();
  void Command34_Click();

  // Keyboard switch and the extended panel. `shift` carries Shift as 1, Ctrl
  // as 2 and Alt as 4.
  void Form_KeyDown(int keyCode, int shift);
  void Image1_DblClick();

  const FormState& state() const { return m_state; }

 private:
  enum class Reopen { IfItWasOpen, Always };
  void selectPort(int chosen, int fallback, Reopen reopen = Reopen::IfItWasOpen);
  void selectSpeed(std::string_view settings);
  void send(std::string_view code);
  PortStatus writeLine(const Text& line);
  void showReceived(const std::string& rendered);
  void showReceived(const RxBuffer& buffer);
  void showStatus(const StatusResult& status);
  double readPressure(const RxBuffer& buffer);
  void setReplyTiming(ReplyTiming timing);

  Window& m_window;
  FormTimers m_timers;
  SerialService& m_serial;
  FormState m_state;
  // The RXD monitor, and the status when it is the reply itself, follow the
  // receive buffer a delivery at a time.
  GrowingCaption m_rxMonitor{Control::Label12};
  GrowingCaption m_rxStatus{Control::Label22};
  // The leading number of a pressure reply, read a delivery at a time.
  struct PressureNumber {
    std::uint64_t generation = 0;
    std::size_t read = 0;  // bytes of the rendering
    LeadingNumber number;
  };
  std::optional<PressureNumber> m_pressure;
  std::optional<std::string> m_startFailure;
  // The cause last told of the port in use, by the start-up box or the port
  // box; empty while the port has no trouble.
  std::string m_trouble;
};

}  // namespace qd40
