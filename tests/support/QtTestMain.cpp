// The Qt tests run inside the panel's own application object, on the
// offscreen platform unless a display is asked for.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TempFolder.h"
#include "app/Application.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Saved device choices go to a folder of this run, never to the user's, and
  // the programs the tests start inherit it.
  const qd40::test::TempFolder config("config");
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  // The program's texts are checked in English; a test that wants another
  // language loads it itself. The programs the tests start inherit this too.
  setenv("LC_ALL", "C.UTF-8", 1);
  unsetenv("LANGUAGE");
  testing::InitGoogleTest(&argc, argv);
  qd40::PanelApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
