#pragma once
// The seam between the panel's logic and a window toolkit: the window with the
// few controls the handlers write, and interval timers. The real window
// implements it over Qt Widgets; tests implement it on a virtual clock.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qd40 {

// The controls the handlers read or write at run time, or are bound to, by
// role; controlName gives the layout's name of each. The buttons that send a
// fixed code are the catalogue's; every other control of the layout is fixed
// once the window is built.
enum class Control {
  TxMonitor,     // what was sent
  RxMonitor,     // what came back
  StatusText,    // the decoded status
  PortSettings,  // the frame of the port and speed options
  ViewButton,    // shows and hides the monitor
  FreeEntry,     // the box of the code to type
  Com1,
  Com2,
  FastSpeed,  // 19200 baud
  SlowSpeed,  // 9600 baud
  EndButton,
  PortButton,   // opens the port settings
  SendButton,   // sends the free entry
  ClearButton,  // empties the free entry
  Logo,         // its double-click opens the full panel
};

std::string_view controlName(Control control);

struct ScreenSize {
  double width = 0;   // twips
  double height = 0;  // twips
};

class Window {
 public:
  virtual ~Window() = default;

  // Captions of labels and buttons, and the text of the text box, as UTF-8.
  virtual void setCaption(Control control, const std::string& text) = 0;
  virtual std::string caption(Control control) const = 0;
  // Adds `added` to the end of a caption. A text that only grows is handed
  // over a piece at a time rather than whole on every change; the window may
  // show several additions at once, but reading the caption back gives all.
  virtual void appendCaption(Control control, std::string_view added) = 0;
  // Counts the writes to a control's caption, so that a caller can tell
  // whether it still holds what that caller last put there.
  virtual std::uint64_t captionWrites(Control control) const = 0;
  virtual void setVisible(Control control, bool visible) = 0;
  virtual bool isVisible(Control control) const = 0;
  // Marks an option button without running any handler; the logic runs the
  // selection handler itself.
  virtual void setMarked(Control option, bool marked) = 0;

  // Outer size and position, in twips.
  virtual int height() const = 0;
  virtual void setHeight(int twips) = 0;
  virtual int width() const = 0;
  virtual void move(double left, double top) = 0;
  virtual ScreenSize screenSize() const = 0;

  // A modal message box with an exclamation icon and one OK button. Events go
  // on being delivered while it is open.
  virtual void messageBox(const std::string& text) = 0;
  // A trouble with the port, in a box that is not modal and stands above the
  // window at any height. Showing it again while it is open replaces its
  // text.
  virtual void showPortProblem(const std::string& text) = 0;
  // Closes that box if it is open.
  virtual void closePortProblem() = 0;
  // One line on the standard error, for whoever started the program.
  virtual void writeError(const std::string& text) = 0;
  // Closes the window; the program ends with it.
  virtual void close() = 0;
};

// An interval timer of the window. Enabling a disabled timer starts its
// countdown with the current interval; enabling a running timer leaves the
// countdown alone; setting the interval of a running timer restarts the
// countdown; disabling stops it and no tick follows.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isEnabled() const = 0;
  virtual void setHandler(std::function<void()> onTick) = 0;
};

}  // namespace qd40
