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

QColor rgbOf(int r, int g, int b) {
  return QColor(r, g, b);
}

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

// Expected colours, by control: back and fore, typed from the layout.
struct Look {
  const char* control;
  QColor back;
  QColor fore;
};

TEST_P(ColourTest, EveryControlShowsItsOwnColours) {
  const QColor black = rgbOf(0, 0, 0), grey = rgbOf(192, 192, 192);
  const QColor cyan = rgbOf(192, 255, 255), green = rgbOf(192, 255, 192);
  const QColor pink = rgbOf(255, 192, 192), peach = rgbOf(255, 224, 192);
  const QColor violet = rgbOf(192, 192, 255), white = rgbOf(255, 255, 255);
  const Look buttons[] = {
      {"Command17", green, black},
      {"Command18", pink, black},
      {"Command27", cyan, black},
      {"Command28", cyan, black},
      {"Command29", cyan, black},
      {"Command23", green, black},
      {"Command24", pink, black},
      {"Command19", green, black},
      {"Command20", pink, black},
      {"Command21", green, black},
      {"Command22", pink, black},
      {"Command25", green, black},
      {"Command26", pink, black},
      {"Command31", cyan, black},
      {"Command32", cyan, black},
      {"Command5", peach, black},
      {"Command9", peach, black},
      {"Command6", rgbOf(255, 128, 0), black},
      {"Command8", peach, black},
      {"Command7", peach, black},
      {"Command1", rgbOf(255, 192, 128), black},
      {"Command2", rgbOf(255, 192, 128), black},
      {"Command15", cyan, black},
      {"Command35", cyan, black},
      {"Command48", cyan, black},
      {"Command49", cyan, black},
      {"Command50", cyan, black},
      {"Command51", cyan, black},
      {"Command13", rgbOf(0, 192, 192), black},
      {"Command30", violet, black},
      {"Command14", violet, black},
      {"Command3", violet, black},
      {"Command16", grey, black},
      {"Command4", cyan, black},
      {"Command10", cyan, black},
      {"Command11", cyan, black},
      {"Command39", cyan, black},
      {"Command40", cyan, black},
      {"Command41", cyan, black},
      {"Command42", cyan, black},
      {"Command12", cyan, black},
      {"Command33", rgbOf(240, 240, 240), black},
      {"Command44", cyan, black},
      {"Command46", cyan, black},
      {"Command54", cyan, black},
      {"Command45", cyan, black},
      {"Command47", cyan, black},
      {"Command34", grey, black},
      {"Command64", cyan, black},
      {"Command65", cyan, black},
      {"Command66", cyan, black},
      {"Command72", cyan, black},
      {"Command81", cyan, black},
      {"Command82", cyan, black},
      {"Command69", cyan, black},
      {"Command95", green, black},
      {"Command96", pink, black},
  };
  const Look labels[] = {
      {"Label1", grey, rgbOf(192, 0, 0)},
      {"Label2", grey, black},
      {"Label7", grey, black},
      {"Label4", grey, black},
      {"Label5", grey, black},
      {"Label8", grey, black},
      {"Label6", grey, black},
      {"Label3", grey, black},
      {"Label13", grey, black},
      {"Label17", grey, black},
      {"Label18", grey, black},
      {"Label9", grey, black},
      {"Label11", white, black},
      {"Label10", grey, black},
      {"Label12", white, black},
      {"Label23", grey, black},
      {"Label22", white, rgbOf(255, 0, 0)},
      {"Label15", grey, black},
      {"Label16", grey, black},
      {"Label24", grey, black},
      {"Label26", grey, black},
  };
  const Look options[] = {
      {"Option1", grey, black},
      {"Option2", grey, black},
      {"Option9", grey, black},
      {"Option10", grey, black},
  };
  static_assert(std::size(buttons) == 57 && std::size(labels) == 21 && std::size(options) == 4);

  // The monitor lines and the box hold text; the port frame is open.
  panel->window().setCaption(Control::Label11, " C 0 0 CR ");
  panel->window().setCaption(Control::Label12, " 0 0 CR ");
  panel->window().setCaption(Control::Label22, " Power ON");
  widget<QLineEdit>("Text1")->setText("C00");
  panel->window().setVisible(Control::Command34, true);
  click("Command33");

  for (const Look& look : buttons) {
    SCOPED_TRACE(look.control);
    QWidget* button = widget(look.control);
    const QImage image = button->grab().toImage();
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
  for (const Look& look : labels) {
    SCOPED_TRACE(look.control);
    const QImage image = widget(look.control)->grab().toImage();
    const int right = image.width() - 2, bottom = image.height() - 2;
    for (const QPoint corner : {QPoint(1, bottom), QPoint(right, bottom)}) {
      EXPECT_EQ(describe(image.pixelColor(corner)), describe(look.back))
          << "at " << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(holdsColour(image, image.rect().adjusted(2, 2, -2, -2), look.fore))
        << "caption in " << describe(look.fore);
  }
  for (const Look& look : options) {
    SCOPED_TRACE(look.control);
    QWidget* option = widget(look.control);
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
    QWidget* ground = std::string(frame) == "Form1" ? &panel->window() : widget(frame);
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
