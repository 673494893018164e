// What a screen reader hears: every button named by its group and caption,
// no two alike, the CMD box by its label, and every label by its text, while
// the window shows the same captions as before.
#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "PanelFixture.h"

namespace qd40::test {
namespace {

class AccessibilityTest : public PanelFixture {
 protected:
  std::string spoken(const char* control) { return spoken(panel->window().control(control)); }
  static std::string spoken(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr ? face->text(QAccessible::Name).toStdString() : "(none)";
  }
};

TEST_F(AccessibilityTest, ButtonsAreNamedByGroupAndCaption) {
  struct Case {
    const char* button;
    const char* name;
    const char* caption;  // what the window still shows
  };
  for (const Case& c : {
           Case{"Command17", "POWER ON", "ON"},
           Case{"Command18", "POWER OFF", "OFF"},
           Case{"Command19", "SOUND MUTE ON", "ON"},
           Case{"Command22", "NO SHOW OFF", "OFF"},
           Case{"Command23", "MENU ON", "ON"},
           Case{"Command25", "FREEZE ON", "ON"},
           Case{"Command29", "INPUT MODE SET Video", "Video"},
           Case{"Command82", "Video Video", "Video"},
           Case{"Command64", "PC1 RGB", "RGB"},
           Case{"Command72", "PC2 RGB", "RGB"},
           Case{"Command65", "PC1 SCART RGB", "SCART RGB"},
           Case{"Command1", "VOL +", "+"},
           Case{"Command2", "VOL -", "-"},
           Case{"Command35", "Brightness -", "-"},
           Case{"Command48", "D.Zoom +", "+"},
           Case{"Command51", "Keystone -", "-"},
           Case{"Command5", "Cursor ↑", "↑"},
           Case{"Command6", "Cursor SELECT", "SELECT"},
           Case{"Command4", "Picture mode STAND", "STAND"},
           Case{"Command44", "Status read STATUS", "STATUS"},
           Case{"Command95", "CMD SEND", "SEND"},
           Case{"Command3", "DISPLAY CLEAR", "DISPLAY CLEAR"},
           Case{"Command16", "END", "END"},
       }) {
    EXPECT_EQ(spoken(c.button), c.name) << c.button;
    auto* button = widget<QPushButton>(c.button);
    EXPECT_EQ(button->text().replace('\n', ' ').toStdString(), c.caption) << c.button;
  }
}

TEST_F(AccessibilityTest, NoTwoButtonsSoundAlike) {
  std::set<std::string> names;
  const QList<QPushButton*> buttons = panel->window().findChildren<QPushButton*>();
  EXPECT_EQ(buttons.size(), 57);
  for (QPushButton* button : buttons) {
    const std::string name = spoken(button);
    EXPECT_FALSE(name.empty()) << button->objectName().toStdString();
    EXPECT_EQ(name.find('\n'), std::string::npos) << name;
    EXPECT_TRUE(names.insert(name).second)
        << button->objectName().toStdString() << " repeats " << name;
  }
}

TEST_F(AccessibilityTest, TheViewButtonIsNamedByItsCurrentCaption) {
  panel->window().setCaption(Control::ViewButton, "CLOSE");
  EXPECT_EQ(spoken("Command34"), "CLOSE");
}

TEST_F(AccessibilityTest, TheCmdBoxIsNamedByItsLabelAndLabelsByTheirText) {
  EXPECT_EQ(spoken("Text1"), "CMD");
  EXPECT_EQ(widget<QLabel>("Label26")->buddy(), widget("Text1"));
  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(widget("Text1"));
  const auto labelled = box->relations(QAccessible::Label);
  ASSERT_EQ(labelled.size(), 1);
  EXPECT_EQ(labelled.first().first->text(QAccessible::Name).toStdString(), "CMD");
  for (const char* label : {"Label1", "Label3", "Label26", "Label15"}) {
    EXPECT_EQ(widget(label)->accessibleName(), QString()) << label;
    EXPECT_EQ(spoken(label), text(label)) << label;
  }
}

TEST_F(AccessibilityTest, ValuesAreLabelledFramesAreNamedGroupsAndLinesAreLeftOut) {
  struct Labelled {
    const char* value;
    const char* caption;
  };
  for (const Labelled& c :
       {Labelled{"Label11", "TXD"}, Labelled{"Label12", "RXD"}, Labelled{"Label22", "STATUS"}}) {
    const auto labels =
        QAccessible::queryAccessibleInterface(widget(c.value))->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1) << c.value;
    EXPECT_EQ(labels.first().first->text(QAccessible::Name).toStdString(), c.caption);
  }
  panel->window().setCaption(Control::StatusText, " Power ON");
  EXPECT_EQ(spoken("Label22"), " Power ON") << "its name is still the status it shows";

  struct Group {
    const char* frame;
    const char* name;
  };
  for (const Group& c : {Group{"Frame8", "Port"}, Group{"Frame13", "Speed"}}) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget(c.frame));
    EXPECT_EQ(face->role(), QAccessible::Grouping) << c.frame;
    EXPECT_EQ(spoken(c.frame), c.name);
  }
  // Walk the tree: every frame a screen reader meets is a named group, and
  // no line is met at all.
  std::vector<QAccessibleInterface*> pending{
      QAccessible::queryAccessibleInterface(&panel->window())};
  int met = 0;
  while (!pending.empty()) {
    QAccessibleInterface* face = pending.back();
    pending.pop_back();
    for (int i = 0; i < face->childCount(); ++i) pending.push_back(face->child(i));
    const std::string name = face->object()->objectName().toStdString();
    EXPECT_NE(name.rfind("Line", 0), 0u) << name;
    if (name.rfind("Frame", 0) == 0) {
      EXPECT_EQ(face->role(), QAccessible::Grouping) << name;
      EXPECT_FALSE(spoken(face->object()).empty()) << name;
    }
    ++met;
  }
  EXPECT_EQ(met, 1 + 57 + 21 + 12 + 4 + 1 + 1) << "the window and its visible kinds of control";
}

}  // namespace
}  // namespace qd40::test
