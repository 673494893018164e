// The session log: the lines the logging decorator writes for each port
// event, the file it appends to, and a disk that fills up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "VirtualPlatform.h"
#include "serial/LoggingSerialService.h"
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

// The lines of a log file with their timestamps checked and cut off.
std::vector<std::string> eventsIn(const fs::path& file) {
  static const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(std::regex_search(line, stamp)) << line;
    lines.push_back(std::regex_replace(line, stamp, ""));
  }
  return lines;
}

TEST(SessionLogTest, LogsEachPortEventOnceWithTheBytesRendered) {
  const fs::path file = freshDir() / "session.log";
  setenv("QD40_COM1", "/dev/ttyQD40", 1);
  std::string error;
  auto log = SessionLog::open(file, error);
  ASSERT_TRUE(log) << error;
  test::VirtualClock clock;
  test::FakeSerial inner(clock);
  inner.setPresent(2, false);
  LoggingSerialService logged(inner, *log);
  std::vector<std::string> told;
  logged.setLostHandler([&](const std::string& why) { told.push_back(why); });
  logged.setCommHandler([&] { logged.input(); });

  ASSERT_TRUE(logged.open());
  ASSERT_TRUE(logged.output(std::string("C00\r")));
  inner.receive("\x06");
  inner.receive("0");
  inner.receive("0\r\xFF");
  logged.input();  // nothing waiting: no line
  inner.lose("COM1 (/dev/ttyQD40): the connection was lost (Input/output error).");
  EXPECT_FALSE(logged.output("C01\r"));
  logged.close();  // already closed: no line
  ASSERT_TRUE(logged.open());
  logged.close();
  ASSERT_TRUE(logged.setCommPort(2));
  EXPECT_FALSE(logged.open());
  log->waitUntilWritten();

  EXPECT_EQ(told.size(), 1u);
  EXPECT_EQ(eventsIn(file), (std::vector<std::string>{
                                "COM1 (/dev/ttyQD40) opened",
                                "COM1 (/dev/ttyQD40) TX \"C00<CR>\"",
                                "COM1 (/dev/ttyQD40) RX <ACK>",
                                "COM1 (/dev/ttyQD40) RX \"0\"",
                                "COM1 (/dev/ttyQD40) RX \"0<CR><xFF>\"",
                                "COM1 (/dev/ttyQD40) lost: the connection was lost (Input/output "
                                "error).",
                                "COM1 (/dev/ttyQD40) failed: not open",
                                "COM1 (/dev/ttyQD40) opened",
                                "COM1 (/dev/ttyQD40) closed",
                                "COM2 (/dev/ttyS1) failed: COM2: no such device",
                            }));
  unsetenv("QD40_COM1");
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
