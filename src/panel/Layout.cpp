// The table of all controls of the window, in the order the window is built:
// a frame always comes before the controls it contains.
#include "panel/Layout.h"

#include <algorithm>
#include <array>

#include "protocol/Catalogue.h"

namespace qd40 {

namespace {

// clang-format off
constexpr std::array kControls = {
    // name, kind, container, caption, left, top, width, height, back, fore, font, tab, align, flags
    ControlSpec{"Frame1", Kind::Frame, "Form1", "", 120, 240, 1695, 975, rgb(192, 192, 192), rgb(128, 128, 128), FontSpec{Face::PGothic, 9, false}, 0, Align::Left, 0},
    ControlSpec{"Label1", Kind::Label, "Frame1", "POWER", 240, 240, 1095, 255, rgb(192, 192, 192), rgb(192, 0, 0), kWindowFont, 2, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::PowerOn), Kind::Button, "Frame1", "ON", 120, 600, 615, 300, rgb(192, 255, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 1, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PowerOff), Kind::Button, "Frame1", "OFF", 960, 600, 615, 300, rgb(255, 192, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 27, Align::Left, 0},
    ControlSpec{"Frame2", Kind::Frame, "Form1", "", 2160, 240, 2775, 975, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 3, Align::Left, 0},
    ControlSpec{"Label2", Kind::Label, "Frame2", "INPUT MODE SET", 480, 240, 1935, 255, rgb(192, 192, 192), kDefault, kWindowFont, 4, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::InputPc1), Kind::Button, "Frame2", "PC1", 240, 600, 495, 300, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, true}, 36, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::InputPc2), Kind::Button, "Frame2", "PC2", 960, 600, 495, 300, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, true}, 37, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::InputVideo), Kind::Button, "Frame2", "Video", 1680, 600, 735, 300, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, true}, 38, Align::Left, 0},
    ControlSpec{"Frame6", Kind::Frame, "Form1", "", 5280, 240, 1695, 975, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 14, Align::Left, 0},
    ControlSpec{"Label7", Kind::Label, "Frame6", "MENU", 360, 240, 975, 255, rgb(192, 192, 192), kDefault, kWindowFont, 15, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::MenuOn), Kind::Button, "Frame6", "ON", 120, 600, 615, 300, rgb(192, 255, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 32, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::MenuOff), Kind::Button, "Frame6", "OFF", 960, 600, 615, 300, rgb(255, 192, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 33, Align::Left, 0},
    ControlSpec{"Image1", Kind::Image, "Form1", "", 8160, 120, 1200, 390, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Frame3", Kind::Frame, "Form1", "", 120, 1440, 1695, 855, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 8, Align::Left, 0},
    ControlSpec{"Label4", Kind::Label, "Frame3", "SOUND MUTE", 120, 195, 1455, 300, rgb(192, 192, 192), kDefault, kWindowFont, 9, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::MuteOn), Kind::Button, "Frame3", "ON", 120, 480, 615, 300, rgb(192, 255, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 28, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::MuteOff), Kind::Button, "Frame3", "OFF", 960, 480, 615, 300, rgb(255, 192, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 29, Align::Left, 0},
    ControlSpec{"Frame4", Kind::Frame, "Form1", "", 2520, 1440, 1695, 855, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 10, Align::Left, 0},
    ControlSpec{"Label5", Kind::Label, "Frame4", "NO SHOW", 360, 210, 1095, 285, rgb(192, 192, 192), kDefault, kWindowFont, 11, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::NoShowOn), Kind::Button, "Frame4", "ON", 120, 480, 615, 300, rgb(192, 255, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 30, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::NoShowOff), Kind::Button, "Frame4", "OFF", 960, 480, 615, 300, rgb(255, 192, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 31, Align::Left, 0},
    ControlSpec{"Frame7", Kind::Frame, "Form1", "", 5040, 1440, 1695, 855, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 22, Align::Left, 0},
    ControlSpec{"Label8", Kind::Label, "Frame7", "FREEZE", 240, 210, 1215, 285, rgb(192, 192, 192), kDefault, kWindowFont, 23, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::FreezeOn), Kind::Button, "Frame7", "ON", 120, 480, 615, 300, rgb(192, 255, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 34, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::FreezeOff), Kind::Button, "Frame7", "OFF", 960, 480, 615, 300, rgb(255, 192, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 35, Align::Left, 0},
    ControlSpec{"Frame5", Kind::Frame, "Form1", "", 7440, 1440, 1815, 855, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 12, Align::Left, 0},
    ControlSpec{"Label6", Kind::Label, "Frame5", "AV Size", 240, 210, 1335, 285, rgb(192, 192, 192), kDefault, kWindowFont, 13, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::AvSizeRegular), Kind::Button, "Frame5", "Regular", 120, 480, 855, 300, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, false}, 39, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::AvSizeWide), Kind::Button, "Frame5", "Wide", 1080, 480, 615, 300, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, false}, 40, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Up), Kind::Button, "Form1", "↑", 1200, 2520, 855, 375, rgb(255, 224, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 17, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Left), Kind::Button, "Form1", "←", 240, 3000, 855, 375, rgb(255, 224, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 21, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Select), Kind::Button, "Form1", "SELECT", 1200, 3000, 855, 375, rgb(255, 128, 0), kDefault, FontSpec{Face::Gothic, 9, false}, 18, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Right), Kind::Button, "Form1", "→", 2160, 3000, 855, 375, rgb(255, 224, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 20, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Down), Kind::Button, "Form1", "↓", 1200, 3480, 855, 375, rgb(255, 224, 192), kDefault, FontSpec{Face::PGothic, 9, true}, 19, Align::Left, 0},
    ControlSpec{"Label3", Kind::Label, "Form1", "VOL", 3600, 2520, 495, 255, rgb(192, 192, 192), kDefault, kWindowFont, 7, Align::Centre, 0},
    ControlSpec{buttonOf(ActionRole::VolumeUp), Kind::Button, "Form1", "+", 3600, 2880, 375, 255, rgb(255, 192, 128), kDefault, kWindowFont, 5, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::VolumeDown), Kind::Button, "Form1", "-", 3600, 3240, 375, 255, rgb(255, 192, 128), kDefault, kWindowFont, 6, Align::Left, 0},
    ControlSpec{"Label13", Kind::Label, "Form1", "Brightness", 4560, 2520, 975, 255, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 53, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::BrightnessUp), Kind::Button, "Form1", "+", 4800, 2880, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 51, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::BrightnessDown), Kind::Button, "Form1", "-", 4800, 3240, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 52, Align::Left, 0},
    ControlSpec{"Label17", Kind::Label, "Form1", "D.Zoom", 6360, 2520, 735, 255, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 60, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ZoomIn), Kind::Button, "Form1", "+", 6480, 2880, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::PGothic, 9, false}, 58, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ZoomOut), Kind::Button, "Form1", "-", 6480, 3240, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 59, Align::Left, 0},
    ControlSpec{"Label18", Kind::Label, "Form1", "Keystone", 7320, 2520, 855, 255, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 63, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::KeystoneUp), Kind::Button, "Form1", "+", 7440, 2880, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 61, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::KeystoneDown), Kind::Button, "Form1", "-", 7440, 3240, 375, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 62, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::AImage), Kind::Button, "Form1", "A-IMAGE", 8400, 2760, 975, 250, rgb(0, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 24, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::Image), Kind::Button, "Form1", "IMAGE", 8400, 3120, 975, 255, rgb(192, 192, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 65, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PTimer), Kind::Button, "Form1", "P-TIMER", 8400, 3360, 975, 250, rgb(192, 192, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 25, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::DisplayClear), Kind::Button, "Form1", "DISPLAY CLEAR", 8400, 3600, 975, 492, rgb(192, 192, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 16, Align::Left, 0},
    ControlSpec{"Command16", Kind::Button, "Form1", "END", 8400, 4320, 975, 375, rgb(192, 192, 192), kDefault, kWindowFont, 26, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureStand), Kind::Button, "Form1", "STAND", 240, 4080, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 69, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureReal), Kind::Button, "Form1", "REAL", 1200, 4080, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 70, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureCinema), Kind::Button, "Form1", "CINEMA", 2160, 4080, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 71, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureImage1), Kind::Button, "Form1", "IMAGE1", 240, 4320, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 72, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureImage2), Kind::Button, "Form1", "IMAGE2", 1200, 4320, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 73, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureImage3), Kind::Button, "Form1", "IMAGE3", 2160, 4320, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 74, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureImage4), Kind::Button, "Form1", "IMAGE4", 240, 4560, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 75, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::PictureBBoard), Kind::Button, "Form1", "B.Board", 1200, 4560, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 94, Align::Left, 0},
    ControlSpec{"Command33", Kind::Button, "Form1", "COM", 4080, 4200, 1815, 375, kButtonFace, kDefault, FontSpec{Face::PGothic, 9, false}, 41, Align::Left, 0},
    ControlSpec{"Frame8", Kind::Frame, "Form1", "", 3480, 3600, 2775, 1185, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 42, Align::Left, kHiddenAtStart},
    ControlSpec{"Option1", Kind::Option, "Frame8", "COM1", 240, 240, 1215, 255, rgb(192, 192, 192), kDefault, kWindowFont, 43, Align::Left, 0},
    ControlSpec{"Option2", Kind::Option, "Frame8", "COM2", 1560, 240, 1095, 255, rgb(192, 192, 192), kDefault, kWindowFont, 44, Align::Left, 0},
    ControlSpec{"Frame13", Kind::Frame, "Frame8", "", 120, 480, 2535, 615, rgb(192, 192, 192), kDefault, kWindowFont, 66, Align::Left, 0},
    ControlSpec{"Option9", Kind::Option, "Frame13", "19200", 120, 240, 1095, 255, rgb(192, 192, 192), kDefault, kWindowFont, 67, Align::Left, kMarkedAtStart},
    ControlSpec{"Option10", Kind::Option, "Frame13", "9600", 1440, 240, 975, 300, rgb(192, 192, 192), kDefault, kWindowFont, 68, Align::Left, 0},
    ControlSpec{"Frame9", Kind::Frame, "Form1", "", 45, 4920, 6312, 1290, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 45, Align::Left, 0},
    ControlSpec{"Label9", Kind::Label, "Frame9", "TXD", 105, 210, 390, 285, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 46, Align::Right, 0},
    ControlSpec{"Label11", Kind::Label, "Frame9", "", 600, 180, 5610, 300, rgb(255, 255, 255), kDefault, FontSpec{Face::PGothic, 9.75, true}, 48, Align::Left, kBorder},
    ControlSpec{"Label10", Kind::Label, "Frame9", "RXD", 75, 555, 450, 300, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9, false}, 47, Align::Right, 0},
    ControlSpec{"Label12", Kind::Label, "Frame9", "", 600, 540, 5616, 300, rgb(255, 255, 255), kDefault, FontSpec{Face::PGothic, 9.75, true}, 49, Align::Left, kBorder},
    ControlSpec{"Label23", Kind::Label, "Frame9", "STATUS", 120, 960, 735, 225, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 8.25, false}, 93, Align::Left, 0},
    ControlSpec{"Label22", Kind::Label, "Frame9", "", 930, 915, 5295, 300, rgb(255, 255, 255), rgb(255, 0, 0), FontSpec{Face::PGothic, 9, true}, 92, Align::Left, kBorder},
    ControlSpec{buttonOf(ActionRole::ReadStatus), Kind::Button, "Form1", "STATUS", 6480, 5640, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 8.25, true}, 54, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ReadLampTime), Kind::Button, "Form1", "L-TIME", 7440, 5640, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 8.25, true}, 56, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ReadTemperatures), Kind::Button, "Form1", "TEMP", 8400, 5640, 975, 252, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 8.25, true}, 64, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ReadMode), Kind::Button, "Form1", "MODE", 6480, 5880, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 8.25, true}, 55, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::ReadSetting), Kind::Button, "Form1", "SETTING", 7440, 5880, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 8.25, true}, 57, Align::Left, 0},
    ControlSpec{"Command34", Kind::Button, "Form1", "データを表示する", 6600, 5040, 1200, 375, rgb(192, 192, 192), kDefault, FontSpec{Face::PGothic, 9, false}, 50, Align::Left, kHiddenAtStart},
    ControlSpec{"Frame14", Kind::Frame, "Form1", "", 120, 6735, 7215, 1320, rgb(192, 192, 192), kDefault, kWindowFont, 76, Align::Left, 0},
    ControlSpec{"Label15", Kind::Label, "Frame14", "PC1", 120, 240, 735, 255, rgb(192, 192, 192), kDefault, kWindowFont, 84, Align::Left, 0},
    ControlSpec{"Label16", Kind::Label, "Frame14", "PC2", 120, 480, 735, 255, rgb(192, 192, 192), kDefault, kWindowFont, 85, Align::Left, 0},
    ControlSpec{"Label24", Kind::Label, "Frame14", "Video", 120, 720, 855, 255, rgb(192, 192, 192), kDefault, kWindowFont, 86, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalPc1Rgb), Kind::Button, "Frame14", "RGB", 960, 240, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 77, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalPc1Scart), Kind::Button, "Frame14", "SCART RGB", 1920, 240, 1815, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 78, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalPc1Component), Kind::Button, "Frame14", "Component", 3720, 240, 1815, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 79, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalPc2Rgb), Kind::Button, "Frame14", "RGB", 960, 480, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 81, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalVideoAuto), Kind::Button, "Frame14", "Auto", 960, 720, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 82, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalVideoVideo), Kind::Button, "Frame14", "Video", 1920, 720, 975, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 83, Align::Left, 0},
    ControlSpec{buttonOf(ActionRole::SignalVideoSVideo), Kind::Button, "Frame14", "S-Video", 2880, 720, 1095, 255, rgb(192, 255, 255), kDefault, FontSpec{Face::Gothic, 9, false}, 80, Align::Left, 0},
    ControlSpec{"Frame15", Kind::Frame, "Form1", "", 120, 8040, 7215, 570, rgb(192, 192, 192), kDefault, kWindowFont, 87, Align::Left, 0},
    ControlSpec{"Label26", Kind::Label, "Frame15", "CMD", 120, 240, 495, 255, rgb(192, 192, 192), kDefault, FontSpec{Face::Gothic, 9.75, false}, 91, Align::Left, 0},
    ControlSpec{"Text1", Kind::TextBox, "Frame15", "", 600, 165, 5055, 345, kSystemWindow, kDefault, FontSpec{Face::Gothic, 9.75, true}, 88, Align::Left, 0},
    ControlSpec{"Command95", Kind::Button, "Frame15", "SEND", 5760, 240, 735, 255, rgb(192, 255, 192), kDefault, kWindowFont, 89, Align::Left, 0},
    ControlSpec{"Command96", Kind::Button, "Frame15", "CLS", 6480, 240, 615, 255, rgb(255, 192, 192), kDefault, kWindowFont, 90, Align::Left, 0},
    ControlSpec{"Line1", Kind::Line, "Form1", "", 1080, 2400, 1080, 2880, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line2", Kind::Line, "Form1", "", 2160, 2400, 2160, 2880, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line3", Kind::Line, "Form1", "", 3120, 2880, 3120, 3480, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line4", Kind::Line, "Form1", "", 2160, 3480, 2160, 3960, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line5", Kind::Line, "Form1", "", 1080, 3480, 1080, 3960, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line6", Kind::Line, "Form1", "", 120, 2880, 120, 3480, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line7", Kind::Line, "Form1", "", 1080, 2400, 2160, 2400, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line8", Kind::Line, "Form1", "", 120, 2880, 1080, 2880, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line9", Kind::Line, "Form1", "", 2160, 2880, 3120, 2880, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line10", Kind::Line, "Form1", "", 120, 3480, 1080, 3480, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line11", Kind::Line, "Form1", "", 1080, 3960, 2160, 3960, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Line12", Kind::Line, "Form1", "", 2160, 3480, 3120, 3480, kLineColour, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Timer1", Kind::Timer, "Form1", "", 0, 0, 0, 0, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Timer2", Kind::Timer, "Form1", "", 0, 0, 0, 0, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Timer3", Kind::Timer, "Form1", "", 0, 0, 0, 0, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"Timer4", Kind::Timer, "Form1", "", 0, 0, 0, 0, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
    ControlSpec{"MSComm1", Kind::Comm, "Form1", "", 0, 0, 0, 0, kDefault, kDefault, kNoFont, -1, Align::Left, 0},
};
// clang-format on

static_assert(kControls.size() == 113);

// Every action of the catalogue has its button here, once.
constexpr bool everyActionHasOneButton() {
  for (const ActionRow& action : kCatalogue) {
    int buttons = 0;
    for (const ControlSpec& control : kControls) {
      if (control.name == action.control && control.kind == Kind::Button) ++buttons;
    }
    if (buttons != 1) return false;
  }
  return true;
}
static_assert(everyActionHasOneButton(), "an action of the catalogue has no button, or two");

}  // namespace

std::span<const ControlSpec> controlTable() {
  return kControls;
}

const ControlSpec* findControl(std::string_view name) {
  const auto it = std::find_if(kControls.begin(), kControls.end(),
                               [name](const ControlSpec& c) { return c.name == name; });
  return it == kControls.end() ? nullptr : &*it;
}

}  // namespace qd40
