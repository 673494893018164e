// What the operator sees, rendered: every control in the colours of the
// layout whatever the style and the desktop's palette, and every caption a
// control can show inside the control.
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>

#include "PanelFixture.h"
#include "panel/Layout.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

// A dark desktop scheme: light text on dark grounds in every role.
QPalette darkPalette() {
  QPalette dark;
  const QColor ground(49, 54, 59), field(35, 38, 41), text(252, 252, 252);
  for (const auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase,
                          QPalette::Light, QPalette::Midlight, QPalette::Mid}) {
    dark.setColor(role, ground);
  }
  dark.setColor(QPalette::Base, field);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                          QPalette::BrightText, QPalette::PlaceholderText}) {
    dark.setColor(role, text);
  }
  dark.setColor(QPalette::Dark, QColor(20, 22, 24));
  dark.setColor(QPalette::Shadow, QColor(0, 0, 0));
  dark.setColor(QPalette::Highlight, QColor(61, 174, 233));
  return dark;
}

struct Scheme {
  const char* name;
  const char* style;
  bool dark;
};

void PrintTo(const Scheme& scheme, std::ostream* os) {
  *os << scheme.name;
}

// The scheme is set on the application before the window is built, as a
// desktop sets it before the program starts.
class ColourTest : public PanelFixture, public testing::WithParamInterface<Scheme> {
 protected:
  void SetUp() override {
    m_saved = QApplication::palette();
    if (GetParam().dark) QApplication::setPalette(darkPalette());
    QApplication::setStyle(QStyleFactory::create(GetParam().style));
    PanelFixture::SetUp();
  }
  void TearDown() override {
    PanelFixture::TearDown();
    QApplication::setPalette(m_saved);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
  }

 private:
  QPalette m_saved;
};

// Whether some pixel of `area` is the text colour, or within the blending of
// a glyph's edge of it.
bool holdsColour(const QImage& image, QRect area, const QColor& colour) {
  constexpr int kTolerance = 48;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) <= kTolerance &&
          std::abs(pixel.green() - colour.green()) <= kTolerance &&
          std::abs(pixel.blue() - colour.blue()) <= kTolerance) {
        return true;
      }
    }
  }
  return false;
}

std::string describe(const QColor& colour) {
  return std::to_string(colour.red()) + "," + std::to_string(colour.green()) + "," +
         std::to_string(colour.blue());
}

// Controls that share a back and a fore colour, typed from the layout.
struct Looks {
  QColor back;
  QColor fore;
  const char* controls;
};

struct Look {
  QWidget* control;
  QColor back;
  QColor fore;
};

// One entry per control of the groups, with the control built for it.
std::vector<Look> each(QWidget& window, std::initializer_list<Looks> looks) {
  std::vector<Look> all;
  for (const Looks& look : looks) {
    for (const QString& name : QString(look.controls).split(' ')) {
      all.push_back({window.findChild<QWidget*>(name), look.back, look.fore});
    }
  }
  return all;
}

TEST_P(ColourTest, EveryControlShowsItsOwnColours) {
  const QColor black(0, 0, 0), grey(192, 192, 192), white(255, 255, 255);
  const QColor cyan(192, 255, 255), violet(192, 192, 255);
  const std::initializer_list<Looks> buttons = {
      {QColor(192, 255, 192), black, "Command17 Command23 Command19 Command21 Command25 Command95"},
      {QColor(255, 192, 192), black, "Command18 Command24 Command20 Command22 Command26 Command96"},
      {cyan, black,
       "Command27 Command28 Command29 Command31 Command32 Command15 Command35 Command48 "
       "Command49 Command50 Command51 Command4 Command10 Command11 Command39 Command40 "
       "Command41 Command42 Command12 Command44 Command46 Command54 Command45 Command47 "
       "Command64 Command65 Command66 Command72 Command81 Command82 Command69"},
      {QColor(255, 224, 192), black, "Command5 Command9 Command8 Command7"},
      {QColor(255, 128, 0), black, "Command6"},
      {QColor(255, 192, 128), black, "Command1 Command2"},
      {QColor(0, 192, 192), black, "Command13"},
      {violet, black, "Command30 Command14 Command3"},
      {grey, black, "Command16 Command34"},
      {QColor(240, 240, 240), black, "Command33"},
  };
  const std::initializer_list<Looks> labels = {
      {grey, QColor(192, 0, 0), "Label1"},
      {grey, black,
       "Label2 Label7 Label4 Label5 Label8 Label6 Label3 Label13 Label17 Label18 Label9 "
       "Label10 Label23 Label15 Label16 Label24 Label26"},
      {white, black, "Label11 Label12"},
      {white, QColor(255, 0, 0), "Label22"},
  };
  const std::initializer_list<Looks> options = {{grey, black, "Option1 Option2 Option9 Option10"}};
  QWidget& window = panel->window();
  ASSERT_EQ(each(window, buttons).size(), 57u);
  ASSERT_EQ(each(window, labels).size(), 21u);

  // The monitor lines and the box hold text; the port frame is open.
  panel->window().setCaption(Control::TxMonitor, " C 0 0 CR ");
  panel->window().setCaption(Control::RxMonitor, " 0 0 CR ");
  panel->window().setCaption(Control::StatusText, " Power ON");
  widget<QLineEdit>("Text1")->setText("C00");
  panel->window().setVisible(Control::ViewButton, true);
  click("Command33");

  for (const Look& look : each(window, buttons)) {
    ASSERT_NE(look.control, nullptr);
    SCOPED_TRACE(look.control->objectName().toStdString());
    const QImage image = look.control->grab().toImage();
    const int right = image.width() - 3, bottom = image.height() - 3;
    // The face, clear of the caption: one flat fill at all four corners.
    for (const QPoint corner :
         {QPoint(2, 2), QPoint(right, 2), QPoint(2, bottom), QPoint(right, bottom)}) {
      EXPECT_EQ(describe(image.pixelColor(corner)), describe(look.back))
          << "at " << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(holdsColour(image, image.rect().adjusted(4, 4, -4, -4), look.fore))
        << "caption in " << describe(look.fore);
  }
  for (const Look& look : each(window, labels)) {
    ASSERT_NE(look.control, nullptr);
    SCOPED_TRACE(look.control->objectName().toStdString());
    const QImage image = look.control->grab().toImage();
    const int right = image.width() - 2, bottom = image.height() - 2;
    for (const QPoint corner : {QPoint(1, bottom), QPoint(right, bottom)}) {
      EXPECT_EQ(describe(image.pixelColor(corner)), describe(look.back))
          << "at " << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(holdsColour(image, image.rect().adjusted(2, 2, -2, -2), look.fore))
        << "caption in " << describe(look.fore);
  }
  for (const Look& look : each(window, options)) {
    QWidget* option = look.control;
    ASSERT_NE(option, nullptr);
    SCOPED_TRACE(option->objectName().toStdString());
    const QImage image = option->grab().toImage();
    EXPECT_EQ(describe(image.pixelColor(image.width() - 2, image.height() - 2)),
              describe(look.back));
    const int caption = option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                        option->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    EXPECT_TRUE(holdsColour(image, image.rect().adjusted(caption, 0, 0, 0), look.fore));
  }
  for (const char* frame : {"Frame1", "Frame2", "Frame6", "Frame3", "Frame4", "Frame7", "Frame5",
                            "Frame8", "Frame13", "Frame9", "Frame14", "Frame15", "Form1"}) {
    SCOPED_TRACE(frame);
    QWidget* ground = std::string(frame) == "Form1" ? &window : widget(frame);
    EXPECT_EQ(describe(ground->grab().toImage().pixelColor(3, 3)), "192,192,192");
  }
  const QImage box = widget("Text1")->grab().toImage();
  EXPECT_EQ(describe(box.pixelColor(box.width() - 5, box.height() / 2)), "255,255,255");
  EXPECT_TRUE(holdsColour(box, box.rect().adjusted(4, 4, -4, -4), black));
  const QImage line = widget("Line1")->grab().toImage();
  EXPECT_EQ(describe(line.pixelColor(line.width() / 2, line.height() / 2)), "128,128,255");
}

INSTANTIATE_TEST_SUITE_P(Schemes, ColourTest,
                         testing::Values(Scheme{"FusionLight", "Fusion", false},
                                         Scheme{"FusionDark", "Fusion", true},
                                         Scheme{"WindowsDark", "Windows", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qd40::test
