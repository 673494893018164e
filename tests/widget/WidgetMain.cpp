// The Qt tests run inside the panel's own application object, on the
// offscreen platform unless a display is asked for.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/Application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  qd40::PanelApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
