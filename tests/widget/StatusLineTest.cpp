// The status line is one line: a port message longer than it shows a short
// form that fits, the box and the tooltip the whole text; what the status
// line shows of the projector stays as it is.
#include <gtest/gtest.h>

#include <QLabel>

#include "PanelFixture.h"
#include "panel/MessageText.h"

namespace qd40::test {
namespace {

TEST(StatusLineText, ALongMessageIsShortenedToWhatFits) {
  struct Case {
    const char* fault;
    QString text;
    qsizetype room;  // characters that fit
    QString shown;
  };
  const QString missing =
      "COM1 (/dev/serial/by-id/usb-0403_6001-if00-port0): no such device. Set QD40_COM1 to the "
      "projector's serial device.";
  for (const Case& c : {
           Case{"a text that fits must stay whole", "COM1 (/dev/ttyS0): no such device.", 40,
                "COM1 (/dev/ttyS0): no such device."},
           Case{"the first sentence must come first", missing, 70,
                "COM1 (/dev/serial/by-id/usb-0403_6001-if00-port0): no such device."},
           Case{"the port is named without its device next", missing, 30, "COM1: no such device."},
           Case{"what still does not fit is cut with an ellipsis", missing, 12,
                "COM1: no su\u2026"},
           Case{"a Japanese sentence ends at its full stop",
                "COM1 (/dev/ttyS0): デバイスがありません。QD40_COM1 を設定してください。", 30,
                "COM1 (/dev/ttyS0): デバイスがありません。"},
       }) {
    EXPECT_EQ(statusLineText(c.text, [&](const QString& t) { return t.size() <= c.room; }), c.shown)
        << c.fault;
  }
}

class StatusLine : public PanelFixture {};

TEST_F(StatusLine, ThePortMessageShowsShortAndWholeOnHover) {
  const std::string message =
      "COM1 (/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0): no such device. "
      "Set QD40_COM1 to the projector's serial device, for example QD40_COM1=/dev/ttyUSB0.";
  panel->form().portLost(message);
  auto* status = widget<QLabel>("Label22");
  EXPECT_EQ(status->text().toStdString(), "COM1: no such device.");
  EXPECT_EQ(status->toolTip().toStdString(), message);
  EXPECT_EQ(panel->window().caption(Control::StatusText), message);
  // A decoded status is never shortened.
  panel->window().setCaption(Control::StatusText, " Power ON");
  EXPECT_EQ(status->text().toStdString(), " Power ON");
}

}  // namespace
}  // namespace qd40::test
