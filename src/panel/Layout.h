#pragma once
// The window's layout as data: every control with its kind, container,
// caption, place and size in twips, colours, font, tab place and start state.
// The real window is built from this table in one loop; nothing here knows a
// toolkit.
#include <cstdint>
#include <span>
#include <string_view>

namespace qd40 {

inline constexpr int kTwipsPerPixel = 15;

enum class Kind : std::uint8_t { Frame, Label, Button, Option, TextBox, Image, Line, Timer, Comm };
enum class Face : std::uint8_t { Gothic, PGothic };
enum class Align : std::uint8_t { Left, Centre, Right };

// A colour cell: one of the system's colours or an explicit red, green, blue.
struct Colour {
  enum class Source : std::uint8_t { Default, ButtonFace, SystemWindow, Rgb };
  Source source = Source::Default;
  std::uint8_t red = 0, green = 0, blue = 0;
  constexpr bool isRgb() const { return source == Source::Rgb; }
  constexpr bool operator==(const Colour&) const = default;
};

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return {Colour::Source::Rgb, r, g, b};
}
inline constexpr Colour kDefault{};
inline constexpr Colour kButtonFace{Colour::Source::ButtonFace};
inline constexpr Colour kSystemWindow{Colour::Source::SystemWindow};
inline constexpr Colour kLineColour = rgb(128, 128, 255);
inline constexpr Colour kFormBack = rgb(192, 192, 192);

// A font cell. `inherit` means the window's own font; `none` means the
// control draws no text.
struct FontSpec {
  Face face = Face::Gothic;
  double points = 0;
  bool bold = false;
  bool inherit = false;
  constexpr bool none() const { return points == 0 && !inherit; }
};
inline constexpr FontSpec kWindowFont{Face::Gothic, 9, true, true};
inline constexpr FontSpec kNoFont{};
inline constexpr FontSpec kFormFont{Face::Gothic, 9, true};

// Start-state and look flags.
inline constexpr unsigned kHiddenAtStart = 1;
inline constexpr unsigned kBorder = 2;
inline constexpr unsigned kMarkedAtStart = 4;

struct ControlSpec {
  std::string_view name;
  Kind kind;
  std::string_view container;  // "Form1" or a frame's name
  std::string_view caption;
  // Left, Top, Width, Height in twips from the container's corner; for a
  // line X1, Y1, X2, Y2 on the window.
  int left, top, width, height;
  Colour back, fore;
  FontSpec font;
  int tab;  // place in the tab order, -1 for none
  Align align;
  unsigned flags;

  constexpr bool has(unsigned flag) const { return (flags & flag) != 0; }
};

struct FormSpec {
  std::string_view caption;
  int clientWidth;   // twips
  int clientHeight;  // twips
  int designHeight;  // outer twips: the full panel
  int outerWidth;    // twips
  int frameHeight;   // outer height minus client height, twips
};

inline constexpr FormSpec kForm{"ORVEN   QD40   CONTROL   Ver.1.40", 9495, 8730, 9100, 9615, 370};
inline constexpr int kLineWidthPixels = 2;
inline constexpr int kLogoWidth = 80;
inline constexpr int kLogoHeight = 26;

// The option buttons form two groups, each in its own frame: marking one
// unmarks the other of its group only.
struct OptionGroup {
  std::string_view frame;
  std::string_view first, second;
};
inline constexpr OptionGroup kOptionGroups[] = {{"Frame8", "Option1", "Option2"},
                                                {"Frame13", "Option9", "Option10"}};

std::span<const ControlSpec> controlTable();
const ControlSpec* findControl(std::string_view name);

constexpr int toPixels(int twips) {
  return (twips * 2 + kTwipsPerPixel) / (2 * kTwipsPerPixel);
}

}  // namespace qd40
