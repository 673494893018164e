// Every caption a control can show, in every state, fits inside the control,
// measured by the metrics of the font it is shown in.
#include <QFontMetrics>
#include <QRadioButton>
#include <QStyle>

#include "PanelFixture.h"
#include "panel/KnownFits.h"
#include "panel/Layout.h"

namespace qd40::test {
namespace {

using CaptionTest = PanelFixture;

// The lines a control shows and the room it has for them, in pixels.
struct Shown {
  QStringList lines;
  QFont font;
  QSize room;
};

Shown shownBy(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    return {label->text().split('\n'), label->font(), label->contentsRect().size()};
  }
  if (auto* option = qobject_cast<QRadioButton*>(control)) {
    const int mark = option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                     option->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    return {{option->text()}, option->font(), option->size() - QSize(mark, 0)};
  }
  // A button keeps its caption 3 pixels clear of either side.
  auto* button = qobject_cast<QAbstractButton*>(control);
  return {button->text().replace("&&", "&").split('\n'), button->font(),
          button->size() - QSize(6, 0)};
}

void expectFits(QWidget* control, const std::string& caption) {
  SCOPED_TRACE(control->objectName().toStdString() + " \"" + caption + "\"");
  const Shown shown = shownBy(control);
  const QString whole = QString::fromStdString(caption);
  EXPECT_TRUE(shown.lines.join(' ') == whole || shown.lines.join("") == whole)
      << "shown as: " << shown.lines.join('|').toStdString();
  const QFontMetrics metrics(shown.font);
  for (const QString& line : shown.lines) {
    EXPECT_LE(metrics.horizontalAdvance(line), shown.room.width())
        << line.toStdString() << " at " << shown.font.pointSizeF() << " pt";
  }
  EXPECT_LE(shown.lines.size() * metrics.height(), shown.room.height())
      << shown.lines.size() << " lines at " << shown.font.pointSizeF() << " pt";
}

TEST_F(CaptionTest, EveryCaptionFitsItsControlInEveryState) {
  // The captions the layout gives: every button, titled label and option.
  for (const ControlSpec& entry : controlTable()) {
    const bool captioned = entry.kind == Kind::Button || entry.kind == Kind::Option ||
                           (entry.kind == Kind::Label && !entry.caption.empty());
    if (captioned) expectFits(widget(std::string(entry.name).c_str()), std::string(entry.caption));
  }

  // The captions the view button takes at run time, in the order the
  // operator meets them.
  struct Step {
    Control control;
    const char* caption;
  };
  const Step steps[] = {
      {Control::ViewButton, "CLOSE"},
      {Control::ViewButton, "データを表示しない"},
      {Control::ViewButton, "データを表示する"},
      // The longest texts the status line shows.
      {Control::StatusText, " Cooling down & sutandby (All Lamp FAIL)"},
      {Control::StatusText, " Temperature Warning & cooling down"},
      {Control::StatusText, " Top/Bottom , Left/Right reversal"},
      {Control::StatusText, " No1 ON  : 1 Lamp mode(No1 USE)"},
      {Control::StatusText, "  S1= A B C D E C  ,   S2=  H I J K C , S3= M N O P Q C"},
      {Control::StatusText, " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
  };
  for (const Step& step : steps) {
    panel->window().setCaption(step.control, step.caption);
    EXPECT_EQ(panel->window().caption(step.control), step.caption) << "read back as set";
    expectFits(widget(std::string(controlName(step.control)).c_str()), step.caption);
  }

  // The same captions reached by the operator's own keys and clicks.
  QTest::keyClick(widget("Command17"), Qt::Key_K, Qt::AltModifier);
  expectFits(widget("Command34"), "CLOSE");
  click("Command34");
  expectFits(widget("Command34"), "データを表示する");
  click("Command34");
  expectFits(widget("Command34"), "データを表示しない");
}

TEST(KnownFits, EachIsWhatTheSearchFindsWithTheseFonts) {
  for (const KnownFit& known : knownFits()) {
    const QString caption = QString::fromUtf8(known.caption.data(), known.caption.size());
    const FontSpec font{known.face, known.designedPoints, known.bold};
    const QSize area(known.width, known.height);
    const FittedCaption searched = fitCaption(caption, fontFor(font), area);
    const std::optional<FittedCaption> kept = knownFit(caption, font, area);
    ASSERT_TRUE(kept.has_value()) << known.caption;
    // On a failure the row the search gives is printed, to go in KnownFits.cpp.
    EXPECT_TRUE(kept->font == searched.font && kept->lines == searched.lines)
        << knownFitRow(caption, font, area, searched);
  }
}

TEST(KnownFits, AreFoundByCaptionFontAndAreaAlone) {
  struct Case {
    const char* caption;
    FontSpec font;
    QSize area;
    double points;  // 0: no known fit
    const char* lines;
  };
  const Case cases[] = {
      {"DISPLAY CLEAR", {Face::Gothic, 9, false}, {59, 33}, 8.5, "DISPLAY|CLEAR"},
      {"データを表示する", {Face::PGothic, 9, false}, {74, 25}, 7, "データを表示する"},
      {"CMD", {Face::Gothic, 9.75, false}, {33, 17}, 9.25, "CMD"},
      {"STATUS", {Face::Gothic, 8.25, true}, {59, 17}, 8.25, "STATUS"},
      {"STATUS", {Face::Gothic, 8.25, false}, {49, 15}, 7.75, "STATUS"},
      // Any other area, font or caption is measured.
      {"DISPLAY CLEAR", {Face::Gothic, 9, false}, {60, 33}, 0, ""},
      {"DISPLAY CLEAR", {Face::Gothic, 9, true}, {59, 33}, 0, ""},
      {"DISPLAY CLEAR", {Face::PGothic, 9, false}, {59, 33}, 0, ""},
      {"DISPLAY CLEAR", {Face::Gothic, 8.25, false}, {59, 33}, 0, ""},
      {"DISPLAY", {Face::Gothic, 9, false}, {59, 33}, 0, ""},
      {"データを表示しない", {Face::PGothic, 9, false}, {74, 25}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const std::optional<FittedCaption> kept =
        knownFit(QString::fromUtf8(c.caption), c.font, c.area);
    ASSERT_EQ(kept.has_value(), c.points != 0);
    if (!kept) continue;
    EXPECT_EQ(kept->font.pointSizeF(), c.points);
    EXPECT_EQ(kept->font.bold(), c.font.bold);
    EXPECT_EQ(kept->lines.join('|'), QString::fromUtf8(c.lines));
  }
}

// The font and the text a captioned control shows.
std::pair<QFont, QString> shownCaption(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return {label->font(), label->text()};
  return {control->font(), qobject_cast<QAbstractButton*>(control)->text()};
}

TEST_F(CaptionTest, MeasuringTheKnownFitsOnTheseFontsChangesNoCaption) {
  // The fixture's panel has started, so its captions have been measured.
  // Another window shows its captions in their known fits; measuring them
  // must leave every one as it is, and as in the started panel.
  PanelWindow fresh;
  std::vector<std::pair<std::string_view, std::pair<QFont, QString>>> known;
  for (const ControlSpec& entry : controlTable()) {
    if (entry.kind == Kind::Button || (entry.kind == Kind::Label && !entry.caption.empty())) {
      known.emplace_back(entry.name, shownCaption(fresh.control(entry.name)));
    }
  }
  ASSERT_GT(known.size(), 60u);
  fresh.measureKnownFits();
  for (const auto& [name, shown] : known) {
    EXPECT_EQ(shownCaption(fresh.control(name)), shown) << name;
    EXPECT_EQ(shownCaption(widget(std::string(name).c_str())), shown) << name << ", started";
  }
}

}  // namespace
}  // namespace qd40::test
