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
#include "protocol/Catalogue.h"
#include "protocol/Commands.h"
#include "protocol/LeadingNumber.h"
#include "protocol/Monitor.h"
#include "protocol/ReplyWindows.h"
#include "protocol/StatusDecoder.h"
#include "protocol/Text.h"
#include "toolkit/Toolkit.h"

namespace qd40 {

struct FormState {
  std::uint8_t repeatCode = 0;  // the held button's repeat row; 0 for none
  bool replyPending = false;    // a line went out and no reply character came since
  ArrowMode arrowMode = ArrowMode::Start;
  Text sendLine;
  RxBuffer rxBuffer;
  std::int16_t pressureValue = 0;
  bool extendedUnlock = false;  // the keyboard switch allows the full panel
  Text typedLine;
  std::string portSettings;
  Text cmdPrefix;
};

// The modifier keys held with a key press.
struct KeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

struct FormTimers {
  Timer& repeat;         // repeats the held button's send
  Timer& replyWindow;    // closes the reply window
  Timer& settingsHider;  // hides the port settings frame
  Timer& monitorClear;   // clears the monitor and status texts
};

class PanelForm final {
 public:
  static constexpr int kKeyK = 'K';

  PanelForm(Window& window, FormTimers timers, SerialService& serial);
  PanelForm(const PanelForm&) = delete;
  PanelForm& operator=(const PanelForm&) = delete;

  // Start-up and the port.
  void load();
  // Runs once the window is on screen: reports a port that could not be
  // opened at start-up.
  void shown();
  void selectCom1();
  void selectCom2();
  void selectFastSpeed();
  void selectSlowSpeed();
  // The operator chose a new device for COM<number> in the device chooser.
  // For the port in use this is a selection of that port by the same rules,
  // except that it opens the port even when it was closed: the operator has
  // just named the device to use. Another port is left alone.
  void deviceChosen(int number);
  void showPortSettings();
  void hidePortSettings();
  void end();

  // Receive path and reply timing.
  void charactersArrived();
  void closeReplyWindow();
  void clearMonitor();
  // The serial service lost an open port.
  void portLost(const std::string& description);
  // A trouble with the port in use, whatever found it. The box shows the
  // latest cause; a new cause replaces its text and writes one line to the
  // standard error, the same cause again does nothing.
  void portTrouble(const std::string& description);
  // The port in use works again: the box closes and the episode ends.
  void portRecovered();

  // The transaction: a line goes out, shown on the TXD monitor, and opens
  // the reply window; what comes back is shown on the RXD monitor and
  // decoded into the status text.
  void sendLine(const Text& line);
  void showReceived(const Text& line);
  void showReceived(const RxBuffer& buffer);

  // The single-shot buttons, one procedure for every row of the catalogue.
  void clickAction(const ActionRow& row);

  // Press-and-hold buttons.
  void pressHeld(const ActionRow& row);
  void releaseHeld(const ActionRow& row);
  void repeatHeld();

  // Free entry and the view button.
  void sendTyped();
  void clearTyped();
  void toggleDataView();

  // Keyboard switch and the extended panel.
  void keyDown(int keyCode, KeyModifiers modifiers);
  void logoDoubleClicked();

  const FormState& state() const { return m_state; }

 private:
  enum class Reopen { IfItWasOpen, Always };
  void selectPort(int chosen, int fallback, Reopen reopen = Reopen::IfItWasOpen);
  void selectSpeed(std::string_view settings);
  void send(std::string_view code);
  PortStatus writeLine(const Text& line);
  void showRendered(const std::string& rendered);
  void showStatus(const StatusResult& status);
  double readPressure(const RxBuffer& buffer);
  void setReplyTiming(ReplyTiming timing);
  void applyBefore(const SendTimers& timers);
  void applyAfter(const SendTimers& timers);

  Window& m_window;
  FormTimers m_timers;
  SerialService& m_serial;
  FormState m_state;
  // The RXD monitor, and the status when it is the reply itself, follow the
  // receive buffer a delivery at a time.
  GrowingCaption m_rxMonitor{Control::RxMonitor};
  GrowingCaption m_rxStatus{Control::StatusText};
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
