// Free entry, the view button, the keyboard switch and the picture, on the
// virtual platform.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace qd40::test {
namespace {

constexpr KeyModifiers kAlt{.alt = true};

struct SendCase {
  const char* name;
  std::string typed;  // UTF-8, as the box holds it
  std::string wire;
  std::string txd;
};

// Test names carry the case; gtest need not dump its bytes.
void PrintTo(const SendCase& c, std::ostream* os) {
  *os << c.name;
}

class FreeEntryTest : public testing::TestWithParam<SendCase> {};

TEST_P(FreeEntryTest, SendsTheTextAsTypedWithCr) {
  FormHarness h;
  h.window.setCaption(Control::FreeEntry, GetParam().typed);
  h.click("Command95");
  ASSERT_EQ(h.serial.writes().size(), 1u);
  EXPECT_EQ(h.serial.writes()[0].bytes, GetParam().wire);
  EXPECT_EQ(h.caption(Control::TxMonitor), GetParam().txd);
  EXPECT_EQ(h.caption(Control::FreeEntry), GetParam().typed) << "the box keeps its text";
  EXPECT_EQ(h.timer2.interval(), 2000);
  EXPECT_EQ(h.timer4.interval(), 2500);
}

INSTANTIATE_TEST_SUITE_P(Lines, FreeEntryTest,
                         testing::Values(SendCase{"EmptyBoxSendsALoneCr", "", "\r", " CR "},
                                         SendCase{"NoTrimmingOrCaseChange", " cr7 ", " cr7 \r",
                                                  "   c r 7   CR "},
                                         SendCase{"PressureQuery", "CR PRESSURE", "CR PRESSURE\r",
                                                  " C R   P R E S S U R E CR "},
                                         SendCase{"NonAsciiGoesOutAsUtf8AndShowsOnce", "C é日",
                                                  "C \xc3\xa9\xe6\x97\xa5\r", " C   ? ? CR "}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  std::string typed;
  std::string reply;
  std::string status;  // empty: not decoded
};

// Test names carry the case; gtest need not dump its bytes.
void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << c.name;
}

class TypedQueryTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(TypedQueryTest, DecodesOnlyAnExactQuery) {
  FormHarness h;
  h.window.setCaption(Control::FreeEntry, GetParam().typed);
  h.click("Command95");
  h.serial.receive(GetParam().reply);
  EXPECT_EQ(h.caption(Control::StatusText), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, TypedQueryTest,
    testing::Values(DecodeCase{"LampMode", "CR7", "01\r", " No1 ON  : 2 Lamp mode"},
                    DecodeCase{"LowerCaseIsNotAQuery", "cr7", "01\r", ""},
                    DecodeCase{"LeadingBlankIsNotAQuery", " CR7", "01\r", ""},
                    DecodeCase{"TrailingBlankIsNotAQuery", "CR0 ", "00\r", ""},
                    DecodeCase{"TypedStatusLikeTheButton", "CR0", "00\r", " Power ON"},
                    DecodeCase{"Pressure", "CR PRESSURE", "0512\r", "650 hPa"},
                    DecodeCase{"MuteStandBy", "CRA", "FF\r", " Stand by"},
                    DecodeCase{"MuteLowerCaseMatchesNothing", "CRA", "ff\r", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FreeEntry, ClsEmptiesOnlyTheBox) {
  FormHarness h;
  h.window.setCaption(Control::FreeEntry, "C00");
  h.click("Command95");
  h.click("Command96");
  EXPECT_EQ(h.caption(Control::FreeEntry), "");
  EXPECT_EQ(h.caption(Control::TxMonitor), " C 0 0 CR ");
  EXPECT_EQ(h.serial.writes().size(), 1u);
}

// One step of the operator and the window it leaves.
struct Step {
  enum class Action { ViewButton, AltK, DoubleClick } action;
  int height;
  std::string_view caption;
  bool buttonShown;
  bool unlock;
};

void walk(FormHarness& h, const std::vector<Step>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    switch (step.action) {
      case Step::Action::ViewButton:
        h.click("Command34");
        break;
      case Step::Action::AltK:
        h.form.keyDown('K', kAlt);
        break;
      case Step::Action::DoubleClick:
        h.form.logoDoubleClicked();
        break;
    }
    SCOPED_TRACE("step " + std::to_string(i));
    EXPECT_EQ(h.window.height(), step.height);
    EXPECT_EQ(h.window.isVisible(Control::ViewButton), step.buttonShown);
    if (!step.caption.empty()) {
      EXPECT_EQ(h.caption(Control::ViewButton), step.caption);
    }
    EXPECT_EQ(h.form.state().extendedUnlock, step.unlock);
  }
}

using A = Step::Action;

TEST(Views, WalkThroughEveryState) {
  FormHarness h;
  walk(h, {
              {A::DoubleClick, 5350, "", false, false},
              {A::AltK, 7200, "CLOSE", true, true},
              {A::AltK, 7200, "CLOSE", true, true},
              {A::DoubleClick, 9100, "CLOSE", true, true},
              {A::DoubleClick, 9100, "CLOSE", true, true},
              {A::AltK, 7200, "CLOSE", true, true},
              {A::DoubleClick, 9100, "CLOSE", true, true},
              {A::ViewButton, 5350, "データを表示する", true, false},
              {A::DoubleClick, 5350, "データを表示する", true, false},
              {A::ViewButton, 6645, "データを表示しない", true, false},
              {A::DoubleClick, 6645, "データを表示しない", true, false},
              {A::ViewButton, 5350, "データを表示する", true, false},
              {A::ViewButton, 6645, "データを表示しない", true, false},
              {A::AltK, 7200, "CLOSE", true, true},
              {A::ViewButton, 5350, "データを表示する", true, false},
          });
}

TEST(Views, KeyboardSwitchNeedsAltAlone) {
  struct KeyCase {
    int key;
    KeyModifiers modifiers;
    bool opens;
  };
  for (const KeyCase c : {KeyCase{'K', kAlt, true}, KeyCase{'K', {true, false, true}, false},
                          KeyCase{'K', {false, true, true}, false}, KeyCase{'K', {}, false},
                          KeyCase{'J', kAlt, false}}) {
    FormHarness h;
    h.form.keyDown(c.key, c.modifiers);
    EXPECT_EQ(h.window.height() == 7200, c.opens)
        << c.key << " shift " << c.modifiers.shift << " ctrl " << c.modifiers.ctrl;
  }
}

TEST(Views, ViewButtonRestartsTheFrameTimer) {
  FormHarness h;
  h.click("Command33");
  h.clock.advance(4000);
  h.click("Command34");
  h.clock.advance(4999);
  EXPECT_TRUE(h.window.isVisible(Control::PortSettings));
  h.clock.advance(1);
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
}

}  // namespace
}  // namespace qd40::test
