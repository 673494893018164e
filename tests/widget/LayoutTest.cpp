// The window built from the layout table matches the table, and nothing is on
// the window that the table does not name.
#include <QAbstractButton>
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "PanelFixture.h"
#include "panel/Layout.h"

namespace qd40::test {
namespace {

class LayoutTest : public PanelFixture {};

QString captionOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    return button->text().replace('\n', ' ');  // a long caption wraps
  }
  return {};
}

TEST_F(LayoutTest, EveryControlOfTheTableIsBuiltAsTheTableSays) {
  QWidget& window = panel->window();
  int built = 0;
  for (const ControlSpec& entry : controlTable()) {
    const QString name =
        QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
    SCOPED_TRACE(name.toStdString());
    if (entry.kind == Kind::Timer) {
      auto* timer = window.findChild<QTimer*>(name);
      ASSERT_NE(timer, nullptr);
      EXPECT_FALSE(timer->isActive()) << "no timer runs after start-up";
      ++built;
      continue;
    }
    if (entry.kind == Kind::Comm) {
      EXPECT_NE(window.findChild<QObject*>(name), nullptr);
      ++built;
      continue;
    }
    QWidget* widget = window.findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr);
    ++built;
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), entry.container);
    if (entry.kind == Kind::Line) {
      const bool vertical = entry.left == entry.width;
      EXPECT_EQ(vertical ? widget->width() : widget->height(), kLineWidthPixels);
      continue;
    }
    EXPECT_EQ(widget->geometry(), QRect(toPixels(entry.left), toPixels(entry.top),
                                        toPixels(entry.width), toPixels(entry.height)));
    if (entry.kind != Kind::Image && entry.kind != Kind::TextBox && entry.kind != Kind::Frame) {
      EXPECT_EQ(captionOf(widget).toStdString(), entry.caption);
    }
    // Colours are checked on the rendered window (LookTest), not on palette roles.
    const FontSpec font = entry.font.inherit ? kFormFont : entry.font;
    if (!font.none()) {
      // A caption that would not fit even wrapped is shown a little smaller.
      const bool fitted = entry.kind == Kind::Button || entry.kind == Kind::Label;
      if (fitted) {
        EXPECT_LE(widget->font().pointSizeF(), font.points);
        EXPECT_GE(widget->font().pointSizeF(), font.points - 3);
      } else {
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), font.points);
      }
      EXPECT_EQ(widget->font().bold(), font.bold);
      EXPECT_TRUE(widget->font().family().contains("CJK")) << widget->font().family().toStdString();
    }
    const bool hidden = entry.has(kHiddenAtStart);
    EXPECT_EQ(widget->isHidden(), hidden);
    if (entry.kind == Kind::Label) {
      EXPECT_EQ(qobject_cast<QLabel*>(widget)->textFormat(), Qt::PlainText);
      EXPECT_EQ(qobject_cast<QLabel*>(widget)->frameShape() == QFrame::Box, entry.has(kBorder));
    }
  }
  EXPECT_EQ(built, 113);
}

TEST_F(LayoutTest, NothingOnTheWindowIsMissingFromTheTable) {
  for (QWidget* widget : panel->window().findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith("qt_")) continue;
    EXPECT_NE(findControl(name.toStdString()), nullptr) << name.toStdString();
  }
}

TEST_F(LayoutTest, StartStateAfterStartUp) {
  QWidget& window = panel->window();
  EXPECT_EQ(window.windowTitle().toStdString(), "ORVEN   QD40   CONTROL   Ver.1.40");
  EXPECT_EQ(window.height(), toPixels(5350 - 370));
  EXPECT_EQ(window.width(), toPixels(9495));
  EXPECT_TRUE(widget<QRadioButton>("Option1")->isChecked());
  EXPECT_FALSE(widget<QRadioButton>("Option2")->isChecked());
  EXPECT_TRUE(widget<QRadioButton>("Option9")->isChecked());
  EXPECT_FALSE(widget<QRadioButton>("Option10")->isChecked());
  EXPECT_TRUE(widget("Frame8")->isHidden());
  EXPECT_TRUE(widget("Command34")->isHidden());
  // Only the main panel shows: the monitor frame starts below the client area.
  EXPECT_LT(window.height(), widget("Frame9")->y() + widget("Label11")->y());
  EXPECT_GT(window.height(), widget("Command16")->geometry().bottom());
}

TEST_F(LayoutTest, TabOrderFollowsTheTable) {
  std::vector<std::pair<int, QWidget*>> focusable;
  for (const ControlSpec& entry : controlTable()) {
    QWidget* w = widget(std::string(entry.name).c_str());
    if (w != nullptr && w->focusPolicy() != Qt::NoFocus) focusable.emplace_back(entry.tab, w);
  }
  std::sort(focusable.begin(), focusable.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  ASSERT_FALSE(focusable.empty());
  // Frames and labels sit in the chain too but never take the focus.
  const auto nextFocusable = [](QWidget* from) {
    QWidget* next = from->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    return next;
  };
  for (std::size_t i = 1; i < focusable.size(); ++i) {
    EXPECT_EQ(nextFocusable(focusable[i - 1].second), focusable[i].second)
        << focusable[i - 1].second->objectName().toStdString();
  }
}

TEST_F(LayoutTest, LogoIsEightyByTwentySixOnGrey) {
  const QPixmap logo = widget<QLabel>("Image1")->pixmap();
  ASSERT_EQ(logo.size(), QSize(80, 26));
  EXPECT_EQ(logo.toImage().pixelColor(0, 0), QColor(180, 180, 180));
}

}  // namespace
}  // namespace qd40::test
