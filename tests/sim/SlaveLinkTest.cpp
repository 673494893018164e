// Checks that the terminal's link replaces only symbolic links, and that it is removed on exit
// only while it still points to our terminal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "SlaveLink.h"
#include "TempFolder.h"

namespace qd40sim {
namespace {

namespace fs = std::filesystem;

TEST(SlaveLinkTest, ReplacesOnlyLinksAndRemovesOnlyItsOwn) {
  const qd40::test::TempFolder folder("sim-link");
  const fs::path dir = folder.path();
  const fs::path link = dir / "projector";
  std::string error;
  fs::create_symlink("/dev/pts/1", link);
  {
    const auto replaced = SlaveLink::create(link, "/dev/pts/2", error);
    EXPECT_TRUE(replaced) << error;
    EXPECT_EQ(fs::read_symlink(link), "/dev/pts/2");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  {
    const auto takenOver = SlaveLink::create(link, "/dev/pts/3", error);
    fs::remove(link);
    fs::create_symlink("/dev/pts/4", link);
  }
  EXPECT_EQ(fs::read_symlink(link), "/dev/pts/4");

  const fs::path file = dir / "file";
  std::ofstream(file) << "keep";
  EXPECT_FALSE(SlaveLink::create(file, "/dev/pts/5", error));
  EXPECT_NE(error.find("refusing"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(file), 4u);
  EXPECT_FALSE(SlaveLink::create(dir, "/dev/pts/6", error));
}

}  // namespace
}  // namespace qd40sim
