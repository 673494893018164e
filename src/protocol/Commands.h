#pragma once
// The timing of the command set as data: the timing classes of the
// catalogue's actions, the arrow modes, and every timer interval and window
// height the handlers set. The actions themselves are in the catalogue.
#include <array>
#include <cstdint>
#include <string_view>

namespace qd40 {

// Reply-window (Timer2) and monitor-clearing (Timer4) intervals, in ms.
struct ReplyTiming {
  int replyWindow;
  int clearing;
};

// How a send sets the reply timers. The last three are press-and-hold
// buttons: one that repeats, an arrow (its timing comes from the arrow mode)
// and a D.Zoom button (its release leaves the arrows a mode of their own).
enum class Timing : std::uint8_t { Plain, PictureMode, SignalMode, Menu, Repeat, Arrow, Zoom };

// What the last menu or D.Zoom button left for the arrow buttons.
enum class ArrowMode : std::uint8_t { Start = 0, Menu = 1, Zoom = 3 };

inline constexpr ReplyTiming kPictureModeTiming{2000, 2500};
inline constexpr ReplyTiming kSignalModeTiming{5000, 5500};
inline constexpr ReplyTiming kFreeEntryTiming{2000, 2500};
inline constexpr ReplyTiming kReleaseTiming{500, 1000};
inline constexpr int kMenuRepeatInterval = 200;

// Reply timing of an arrow press by arrow mode; other modes leave the timers.
struct ArrowTiming {
  ArrowMode arrowMode;
  ReplyTiming timing;
};
inline constexpr std::array kArrowTimings = {ArrowTiming{ArrowMode::Menu, {150, 190}},
                                             ArrowTiming{ArrowMode::Zoom, {5, 5}}};

// What releasing a D.Zoom button leaves for the arrow buttons.
inline constexpr int kZoomReleaseRepeatInterval = 5;

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

}  // namespace qd40
