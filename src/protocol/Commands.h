#pragma once
// The command set as data: the single-shot buttons with their codes and
// timing classes, the press-and-hold buttons with their repeat rows and
// intervals, and every timer interval and window height the handlers set.
#include <array>
#include <cstdint>
#include <string_view>

namespace qd40 {

// Reply-window (Timer2) and monitor-clearing (Timer4) intervals, in ms.
struct ReplyTiming {
  int replyWindow;
  int clearing;
};

enum class Timing : std::uint8_t { Plain, PictureMode, SignalMode, Menu };

inline constexpr ReplyTiming kPictureModeTiming{2000, 2500};
inline constexpr ReplyTiming kSignalModeTiming{5000, 5500};
inline constexpr ReplyTiming kFreeEntryTiming{2000, 2500};
inline constexpr ReplyTiming kReleaseTiming{500, 1000};
inline constexpr int kMenuRepeatInterval = 200;
inline constexpr std::uint8_t kMenuArrowMode = 1;

struct CommandRow {
  std::string_view button;
  std::string_view code;
  Timing timing;
};

// clang-format off
inline constexpr std::array kCommandTable = {
    CommandRow{"Command17", "C00", Timing::Plain},        // POWER ON
    CommandRow{"Command18", "C01", Timing::Plain},        // POWER OFF
    CommandRow{"Command27", "C05", Timing::Plain},        // INPUT PC1
    CommandRow{"Command28", "C06", Timing::Plain},        // INPUT PC2
    CommandRow{"Command29", "C07", Timing::Plain},        // INPUT Video
    CommandRow{"Command19", "C0B", Timing::Plain},        // SOUND MUTE ON
    CommandRow{"Command20", "C0C", Timing::Plain},        // SOUND MUTE OFF
    CommandRow{"Command21", "C0D", Timing::Plain},        // NO SHOW ON
    CommandRow{"Command22", "C0E", Timing::Plain},        // NO SHOW OFF
    CommandRow{"Command31", "C0F", Timing::Plain},        // AV Size Regular
    CommandRow{"Command32", "C10", Timing::Plain},        // AV Size Wide
    CommandRow{"Command23", "C1C", Timing::Menu},         // MENU ON
    CommandRow{"Command24", "C1D", Timing::Plain},        // MENU OFF
    CommandRow{"Command25", "C43", Timing::Plain},        // FREEZE ON
    CommandRow{"Command26", "C44", Timing::Plain},        // FREEZE OFF
    CommandRow{"Command13", "C89", Timing::Menu},         // A-IMAGE
    CommandRow{"Command30", "C27", Timing::Plain},        // IMAGE
    CommandRow{"Command14", "C8A", Timing::Plain},        // P-TIMER
    CommandRow{"Command3", "C1E", Timing::Plain},         // DISPLAY CLEAR
    CommandRow{"Command4", "C11", Timing::PictureMode},   // STAND
    CommandRow{"Command10", "C12", Timing::PictureMode},  // REAL
    CommandRow{"Command11", "C13", Timing::PictureMode},  // CINEMA
    CommandRow{"Command39", "C14", Timing::PictureMode},  // IMAGE1
    CommandRow{"Command40", "C15", Timing::PictureMode},  // IMAGE2
    CommandRow{"Command41", "C16", Timing::PictureMode},  // IMAGE3
    CommandRow{"Command42", "C17", Timing::PictureMode},  // IMAGE4
    CommandRow{"Command12", "C18", Timing::PictureMode},  // B.Board
    CommandRow{"Command44", "CR0", Timing::Plain},        // STATUS
    CommandRow{"Command45", "CR1", Timing::Plain},        // MODE
    CommandRow{"Command46", "CR3", Timing::Plain},        // L-TIME
    CommandRow{"Command47", "CR4", Timing::Plain},        // SETTING
    CommandRow{"Command54", "CR6", Timing::Plain},        // TEMP
    CommandRow{"Command64", "C50", Timing::SignalMode},   // PC1 RGB
    CommandRow{"Command65", "C51", Timing::SignalMode},   // PC1 SCART RGB
    CommandRow{"Command66", "C54", Timing::SignalMode},   // PC1 Component
    CommandRow{"Command72", "C25", Timing::SignalMode},   // PC2 RGB
    CommandRow{"Command81", "C32", Timing::SignalMode},   // Video Auto
    CommandRow{"Command82", "C33", Timing::SignalMode},   // Video Video
    CommandRow{"Command69", "C34", Timing::SignalMode},   // Video S-Video
};
// clang-format on

// Press-and-hold buttons. An arrow button sets no repeat interval and takes
// its reply timing from the arrow mode; the others set all three intervals.
enum class HoldKind : std::uint8_t { Repeat, Arrow, Zoom };

struct HoldRow {
  std::string_view button;
  std::uint8_t repeatCode;
  std::string_view code;
  HoldKind kind;
  int repeatInterval;  // Timer1, ms; unused for arrows
  ReplyTiming timing;  // set after the press's send; unused for arrows
};

// clang-format off
inline constexpr std::array kHoldTable = {
    HoldRow{"Command1", 1, "C09", HoldKind::Repeat, 250, {200, 245}},    // VOL +
    HoldRow{"Command2", 2, "C0A", HoldKind::Repeat, 250, {200, 245}},    // VOL -
    HoldRow{"Command15", 7, "C20", HoldKind::Repeat, 50, {25, 25}},      // Brightness +
    HoldRow{"Command35", 8, "C21", HoldKind::Repeat, 50, {25, 25}},      // Brightness -
    HoldRow{"Command48", 17, "C30", HoldKind::Zoom, 250, {200, 245}},    // D.Zoom +
    HoldRow{"Command49", 18, "C31", HoldKind::Zoom, 250, {200, 245}},    // D.Zoom -
    HoldRow{"Command50", 19, "C8E", HoldKind::Repeat, 250, {200, 245}},  // Keystone +
    HoldRow{"Command51", 20, "C8F", HoldKind::Repeat, 250, {200, 245}},  // Keystone -
    HoldRow{"Command6", 13, "C3F", HoldKind::Repeat, 500, {200, 245}},   // SELECT
    HoldRow{"Command5", 3, "C3C", HoldKind::Arrow, 0, {}},               // up
    HoldRow{"Command7", 4, "C3D", HoldKind::Arrow, 0, {}},               // down
    HoldRow{"Command8", 6, "C3A", HoldKind::Arrow, 0, {}},               // right
    HoldRow{"Command9", 5, "C3B", HoldKind::Arrow, 0, {}},               // left
};
// clang-format on

// Reply timing of an arrow press by arrow mode; other modes leave the timers.
struct ArrowTiming {
  std::uint8_t arrowMode;
  ReplyTiming timing;
};
inline constexpr std::array kArrowTimings = {ArrowTiming{1, {150, 190}}, ArrowTiming{3, {5, 5}}};

// What releasing a D.Zoom button leaves for the arrow buttons.
inline constexpr int kZoomReleaseRepeatInterval = 5;
inline constexpr std::uint8_t kZoomReleaseArrowMode = 3;

// The timers' intervals when the window is built, ms.
inline constexpr int kTimer1Start = 200;
inline constexpr int kTimer2Start = 500;
inline constexpr int kTimer3Start = 5000;
inline constexpr int kTimer4Start = 1000;

// Outer window heights, twips.
inline constexpr int kCompactHeight = 5350;
inline constexpr int kDataViewHeight = 6645;
inline constexpr int kSwitchedHeight = 7200;
inline constexpr int kFullHeight = 9100;
inline constexpr int kOpenViewThreshold = 6000;

inline constexpr std::string_view kShowDataCaption = "データを表示する";
inline constexpr std::string_view kHideDataCaption = "データを表示しない";
inline constexpr std::string_view kCloseCaption = "CLOSE";
inline constexpr std::string_view kNoReplyMarker = " X X X X";

inline constexpr std::string_view kFastSettings = "19200,N,8,1";
inline constexpr std::string_view kSlowSettings = "9600,N,8,1";

constexpr const HoldRow* findRepeatRow(std::uint8_t repeatCode) {
  for (const HoldRow& row : kHoldTable) {
    if (row.repeatCode == repeatCode) return &row;
  }
  return nullptr;
}

}  // namespace qd40
