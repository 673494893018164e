// The panel's logo, drawn pixel by pixel so it looks the same on every
// machine whatever fonts it has: "QD40" in a 5 by 7 dot face at double size
// over a blue rule, on the picture's grey ground.
#include <QImage>
#include <QPixmap>
#include <array>

#include "panel/Layout.h"
#include "panel/PanelWidgets.h"

namespace qd40 {

namespace {

using Glyph = std::array<const char*, 7>;

constexpr Glyph kQ = {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"};
constexpr Glyph kD = {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."};
constexpr Glyph k4 = {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."};
constexpr Glyph k0 = {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."};
constexpr std::array kWord = {&kQ, &kD, &k4, &k0};

constexpr QRgb kGround = qRgb(180, 180, 180);
constexpr QRgb kInk = qRgb(0, 0, 128);
constexpr QRgb kRule = qRgb(128, 128, 255);
constexpr int kScale = 2;
constexpr int kLeft = 17;
constexpr int kTop = 3;
constexpr int kAdvance = 6 * kScale;

}  // namespace

QPixmap makeLogo() {
  QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB888);
  image.fill(kGround);
  for (std::size_t letter = 0; letter < kWord.size(); ++letter) {
    const Glyph& glyph = *kWord[letter];
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (glyph[row][col] != '#') continue;
        for (int dy = 0; dy < kScale; ++dy) {
          for (int dx = 0; dx < kScale; ++dx) {
            image.setPixel(kLeft + static_cast<int>(letter) * kAdvance + col * kScale + dx,
                           kTop + row * kScale + dy, kInk);
          }
        }
      }
    }
  }
  for (int x = 4; x < kLogoWidth - 4; ++x) {
    image.setPixel(x, kLogoHeight - 5, kRule);
    image.setPixel(x, kLogoHeight - 4, kRule);
  }
  return QPixmap::fromImage(image);
}

}  // namespace qd40
