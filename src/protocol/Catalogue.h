#pragma once
// Everything a projector can be asked to do with a fixed code, one row per
// action: the button of the panel that sends it, the code, how the send sets
// the reply timers, its repeat when the button is held, the group that heads
// it on the panel (and so its spoken name), the name qd40ctl reads, and the
// building bus's topic and entity. The panel, qd40ctl, the screen reader's
// names and the bus all read these rows; none of them keeps a list of its
// own. A row missing, added twice or out of place stops the build.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/Commands.h"

namespace qd40 {

// clang-format off
enum class ActionRole : std::uint8_t {
  PowerOn, PowerOff, InputPc1, InputPc2, InputVideo, MuteOn, MuteOff, NoShowOn, NoShowOff,
  AvSizeRegular, AvSizeWide, MenuOn, MenuOff, FreezeOn, FreezeOff, AImage, Image, PTimer,
  DisplayClear, PictureStand, PictureReal, PictureCinema, PictureImage1, PictureImage2,
  PictureImage3, PictureImage4, PictureBBoard, ReadStatus, ReadMode, ReadLampTime, ReadSetting,
  ReadTemperatures, SignalPc1Rgb, SignalPc1Scart, SignalPc1Component, SignalPc2Rgb,
  SignalVideoAuto, SignalVideoVideo, SignalVideoSVideo, VolumeUp, VolumeDown, BrightnessUp,
  BrightnessDown, ZoomIn, ZoomOut, KeystoneUp, KeystoneDown, Select, Up, Down, Left, Right,
};
// clang-format on
inline constexpr std::size_t kActionCount = static_cast<std::size_t>(ActionRole::Right) + 1;

// The group that heads a button on the panel: the caption of the label over
// its frame, row or pair, or a plain name where the panel shows none.
enum class ButtonGroup : std::uint8_t {
  None,
  Power,
  Input,
  Menu,
  SoundMute,
  NoShow,
  Freeze,
  AvSize,
  Cursor,
  Volume,
  Brightness,
  Zoom,
  Keystone,
  PictureMode,
  StatusRead,
  Pc1,
  Pc2,
  Video,
};

constexpr std::string_view groupTitle(ButtonGroup group) {
  constexpr std::array<std::string_view, 18> kTitles = {
      "",         "POWER",        "INPUT MODE SET", "MENU", "SOUND MUTE", "NO SHOW",
      "FREEZE",   "AV Size",      "Cursor",         "VOL",  "Brightness", "D.Zoom",
      "Keystone", "Picture mode", "Status read",    "PC1",  "PC2",        "Video"};
  return kTitles[static_cast<std::size_t>(group)];
}

// How Home Assistant offers a bus command: as part of a switch or a select,
// as a button, or not at all (the topic still takes the command).
enum class BusOffer : std::uint8_t { None, Switch, Select, Button };

// A command on qd40/<id>/<topic>/set with the payload that names it. An
// action with no topic is not offered on the bus.
struct BusEntity {
  std::string_view topic;
  std::string_view payload;
  BusOffer offer = BusOffer::None;
  constexpr bool onBus() const { return !topic.empty(); }
};

inline constexpr std::string_view kPress = "PRESS";

// A press-and-hold button's repeat: its row of the repeat table (the form's
// repeatCode), the repeat interval and the reply timing set after the
// press's send. An arrow sets neither; its timing comes from the arrow mode.
struct Hold {
  std::uint8_t row = 0;  // 0: a single-shot button
  int repeatInterval = 0;
  ReplyTiming timing{};
};

struct ActionRow {
  ActionRole role;
  std::string_view control;  // the panel's button, as the layout names it
  std::string_view code;     // what goes on the line before the CR
  Timing timing;
  Hold hold;
  ButtonGroup group;
  std::string_view ctlName;  // what qd40ctl reads: "power on"
  BusEntity bus;

  constexpr bool held() const { return hold.row != 0; }
};

// clang-format off
inline constexpr std::array kCatalogue = {
    // role, control, code, timing, hold, group, qd40ctl name, bus topic, payload and offer
    ActionRow{ActionRole::PowerOn, "Command17", "C00", Timing::Plain, {}, ButtonGroup::Power, "power on", {"power", "ON", BusOffer::Switch}},
    ActionRow{ActionRole::PowerOff, "Command18", "C01", Timing::Plain, {}, ButtonGroup::Power, "power off", {"power", "OFF", BusOffer::Switch}},
    ActionRow{ActionRole::InputPc1, "Command27", "C05", Timing::Plain, {}, ButtonGroup::Input, "input pc1", {"input", "pc1", BusOffer::Select}},
    ActionRow{ActionRole::InputPc2, "Command28", "C06", Timing::Plain, {}, ButtonGroup::Input, "input pc2", {"input", "pc2", BusOffer::Select}},
    ActionRow{ActionRole::InputVideo, "Command29", "C07", Timing::Plain, {}, ButtonGroup::Input, "input video", {"input", "video", BusOffer::Select}},
    ActionRow{ActionRole::MuteOn, "Command19", "C0B", Timing::Plain, {}, ButtonGroup::SoundMute, "mute on", {"mute", "ON"}},
    ActionRow{ActionRole::MuteOff, "Command20", "C0C", Timing::Plain, {}, ButtonGroup::SoundMute, "mute off", {"mute", "OFF"}},
    ActionRow{ActionRole::NoShowOn, "Command21", "C0D", Timing::Plain, {}, ButtonGroup::NoShow, "noshow on", {"noshow", "ON"}},
    ActionRow{ActionRole::NoShowOff, "Command22", "C0E", Timing::Plain, {}, ButtonGroup::NoShow, "noshow off", {"noshow", "OFF"}},
    ActionRow{ActionRole::AvSizeRegular, "Command31", "C0F", Timing::Plain, {}, ButtonGroup::AvSize, "avsize regular", {"avsize", "regular"}},
    ActionRow{ActionRole::AvSizeWide, "Command32", "C10", Timing::Plain, {}, ButtonGroup::AvSize, "avsize wide", {"avsize", "wide"}},
    ActionRow{ActionRole::MenuOn, "Command23", "C1C", Timing::Menu, {}, ButtonGroup::Menu, "menu on", {"menu", "ON"}},
    ActionRow{ActionRole::MenuOff, "Command24", "C1D", Timing::Plain, {}, ButtonGroup::Menu, "menu off", {"menu", "OFF"}},
    ActionRow{ActionRole::FreezeOn, "Command25", "C43", Timing::Plain, {}, ButtonGroup::Freeze, "freeze on", {"freeze", "ON"}},
    ActionRow{ActionRole::FreezeOff, "Command26", "C44", Timing::Plain, {}, ButtonGroup::Freeze, "freeze off", {"freeze", "OFF"}},
    ActionRow{ActionRole::AImage, "Command13", "C89", Timing::Menu, {}, ButtonGroup::None, "a-image", {"a_image", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Image, "Command30", "C27", Timing::Plain, {}, ButtonGroup::None, "image", {"image", kPress, BusOffer::Button}},
    ActionRow{ActionRole::PTimer, "Command14", "C8A", Timing::Plain, {}, ButtonGroup::None, "p-timer", {"p_timer", kPress, BusOffer::Button}},
    ActionRow{ActionRole::DisplayClear, "Command3", "C1E", Timing::Plain, {}, ButtonGroup::None, "display clear", {"display_clear", kPress, BusOffer::Button}},
    ActionRow{ActionRole::PictureStand, "Command4", "C11", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture stand", {"picture", "stand"}},
    ActionRow{ActionRole::PictureReal, "Command10", "C12", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture real", {"picture", "real"}},
    ActionRow{ActionRole::PictureCinema, "Command11", "C13", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture cinema", {"picture", "cinema"}},
    ActionRow{ActionRole::PictureImage1, "Command39", "C14", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture image1", {"picture", "image1"}},
    ActionRow{ActionRole::PictureImage2, "Command40", "C15", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture image2", {"picture", "image2"}},
    ActionRow{ActionRole::PictureImage3, "Command41", "C16", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture image3", {"picture", "image3"}},
    ActionRow{ActionRole::PictureImage4, "Command42", "C17", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture image4", {"picture", "image4"}},
    ActionRow{ActionRole::PictureBBoard, "Command12", "C18", Timing::PictureMode, {}, ButtonGroup::PictureMode, "picture bboard", {"picture", "bboard"}},
    ActionRow{ActionRole::ReadStatus, "Command44", "CR0", Timing::Plain, {}, ButtonGroup::StatusRead, "read status", {}},
    ActionRow{ActionRole::ReadMode, "Command45", "CR1", Timing::Plain, {}, ButtonGroup::StatusRead, "read mode", {}},
    ActionRow{ActionRole::ReadLampTime, "Command46", "CR3", Timing::Plain, {}, ButtonGroup::StatusRead, "read l-time", {}},
    ActionRow{ActionRole::ReadSetting, "Command47", "CR4", Timing::Plain, {}, ButtonGroup::StatusRead, "read setting", {}},
    ActionRow{ActionRole::ReadTemperatures, "Command54", "CR6", Timing::Plain, {}, ButtonGroup::StatusRead, "read temp", {}},
    ActionRow{ActionRole::SignalPc1Rgb, "Command64", "C50", Timing::SignalMode, {}, ButtonGroup::Pc1, "signal pc1 rgb", {}},
    ActionRow{ActionRole::SignalPc1Scart, "Command65", "C51", Timing::SignalMode, {}, ButtonGroup::Pc1, "signal pc1 scart", {}},
    ActionRow{ActionRole::SignalPc1Component, "Command66", "C54", Timing::SignalMode, {}, ButtonGroup::Pc1, "signal pc1 component", {}},
    ActionRow{ActionRole::SignalPc2Rgb, "Command72", "C25", Timing::SignalMode, {}, ButtonGroup::Pc2, "signal pc2 rgb", {}},
    ActionRow{ActionRole::SignalVideoAuto, "Command81", "C32", Timing::SignalMode, {}, ButtonGroup::Video, "signal video auto", {}},
    ActionRow{ActionRole::SignalVideoVideo, "Command82", "C33", Timing::SignalMode, {}, ButtonGroup::Video, "signal video video", {}},
    ActionRow{ActionRole::SignalVideoSVideo, "Command69", "C34", Timing::SignalMode, {}, ButtonGroup::Video, "signal video s-video", {}},
    ActionRow{ActionRole::VolumeUp, "Command1", "C09", Timing::Repeat, {1, 250, {200, 245}}, ButtonGroup::Volume, "vol +", {"vol_up", kPress, BusOffer::Button}},
    ActionRow{ActionRole::VolumeDown, "Command2", "C0A", Timing::Repeat, {2, 250, {200, 245}}, ButtonGroup::Volume, "vol -", {"vol_down", kPress, BusOffer::Button}},
    ActionRow{ActionRole::BrightnessUp, "Command15", "C20", Timing::Repeat, {7, 50, {25, 25}}, ButtonGroup::Brightness, "brightness +", {"brightness_up", kPress, BusOffer::Button}},
    ActionRow{ActionRole::BrightnessDown, "Command35", "C21", Timing::Repeat, {8, 50, {25, 25}}, ButtonGroup::Brightness, "brightness -", {"brightness_down", kPress, BusOffer::Button}},
    ActionRow{ActionRole::ZoomIn, "Command48", "C30", Timing::Zoom, {17, 250, {200, 245}}, ButtonGroup::Zoom, "zoom +", {"zoom_in", kPress, BusOffer::Button}},
    ActionRow{ActionRole::ZoomOut, "Command49", "C31", Timing::Zoom, {18, 250, {200, 245}}, ButtonGroup::Zoom, "zoom -", {"zoom_out", kPress, BusOffer::Button}},
    ActionRow{ActionRole::KeystoneUp, "Command50", "C8E", Timing::Repeat, {19, 250, {200, 245}}, ButtonGroup::Keystone, "keystone +", {"keystone_up", kPress, BusOffer::Button}},
    ActionRow{ActionRole::KeystoneDown, "Command51", "C8F", Timing::Repeat, {20, 250, {200, 245}}, ButtonGroup::Keystone, "keystone -", {"keystone_down", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Select, "Command6", "C3F", Timing::Repeat, {13, 500, {200, 245}}, ButtonGroup::Cursor, "select", {"select", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Up, "Command5", "C3C", Timing::Arrow, {3}, ButtonGroup::Cursor, "up", {"up", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Down, "Command7", "C3D", Timing::Arrow, {4}, ButtonGroup::Cursor, "down", {"down", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Left, "Command9", "C3B", Timing::Arrow, {5}, ButtonGroup::Cursor, "left", {"left", kPress, BusOffer::Button}},
    ActionRow{ActionRole::Right, "Command8", "C3A", Timing::Arrow, {6}, ButtonGroup::Cursor, "right", {"right", kPress, BusOffer::Button}},
};
// clang-format on

// What is wrong with a catalogue, or empty when nothing is: every role has
// one row, in the order of the roles; no two rows share a button, a code, a
// qd40ctl name, a repeat row or a bus command; a row is held exactly when its
// timing is one of a held button.
constexpr std::string_view catalogueFault(std::span<const ActionRow> rows) {
  if (rows.size() < kActionCount) return "a role has no row";
  if (rows.size() > kActionCount) return "a row has no role of its own";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ActionRow& row = rows[i];
    if (static_cast<std::size_t>(row.role) != i) return "a row stands out of its role's place";
    const bool heldTiming =
        row.timing == Timing::Repeat || row.timing == Timing::Arrow || row.timing == Timing::Zoom;
    if (heldTiming != row.held()) return "a held button's timing without a repeat row";
    if (row.control.empty() || row.code.empty() || row.ctlName.empty()) return "a row lacks a name";
    for (std::size_t j = 0; j < i; ++j) {
      const ActionRow& other = rows[j];
      if (other.control == row.control) return "two rows share a button";
      if (other.code == row.code) return "two rows share a code";
      if (other.ctlName == row.ctlName) return "two rows share a qd40ctl name";
      if (row.held() && other.hold.row == row.hold.row) return "two rows share a repeat row";
      if (row.bus.onBus() && other.bus.topic == row.bus.topic &&
          other.bus.payload == row.bus.payload) {
        return "two rows share a bus command";
      }
    }
  }
  return {};
}
static_assert(catalogueFault(kCatalogue).empty(), "the catalogue of actions is not whole");

constexpr const ActionRow& actionRow(ActionRole role) {
  return kCatalogue[static_cast<std::size_t>(role)];
}

// The panel's button of an action, for the layout table.
constexpr std::string_view buttonOf(ActionRole role) {
  return actionRow(role).control;
}

// The row whose button, qd40ctl name or repeat row this is; nothing for none.
const ActionRow* actionByButton(std::string_view control);
const ActionRow* actionByCtlName(std::string_view name);
const ActionRow* actionByRepeatRow(std::uint8_t row);

}  // namespace qd40
