// The session log file: appending, a file that cannot be opened, and a disk
// that fills up. What goes into its lines is tested with the real window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial/SessionLog.h"

namespace qd40 {
namespace {

namespace fs = std::filesystem;

fs::path freshDir() {
  fs::path dir = fs::temp_directory_path() / ("qd40-log-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(SessionLogTest, AppendsToWhatIsThere) {
  const fs::path file = freshDir() / "kept.log";
  std::ofstream(file) << "earlier line\n";
  std::string error;
  {
    auto log = SessionLog::open(file, error);
    ASSERT_TRUE(log);
    log->write("next line");
  }
  std::ifstream in(file);
  std::stringstream all;
  all << in.rdbuf();
  EXPECT_EQ(all.str(), "earlier line\nnext line\n");
}

TEST(SessionLogTest, ALogThatCannotBeOpenedSaysWhy) {
  const fs::path dir = freshDir();
  std::string error;
  EXPECT_FALSE(SessionLog::open(dir / "missing" / "x.log", error));
  EXPECT_EQ(error,
            "The session log " + (dir / "missing" / "x.log").string() +
                " cannot be opened: No such file or directory. The panel runs without a log.");
  EXPECT_FALSE(SessionLog::open(dir, error));
  EXPECT_EQ(error, "The session log " + dir.string() +
                       " cannot be opened: Is a directory. The panel runs without a log.");
}

TEST(SessionLogTest, AFullDiskStopsTheLogWithOneLineOnStandardError) {
  std::string error;
  auto log = SessionLog::open("/dev/full", error);
  ASSERT_TRUE(log) << error;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) log->write("line " + std::to_string(i));
  log->waitUntilWritten();
  log->write("after the stop");
  log->waitUntilWritten();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd40-control: the session log /dev/full stopped: No space left on device.\n");
}

}  // namespace
}  // namespace qd40
