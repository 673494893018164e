// What the session log keeps against others: another writer of the same
// file, a device flooding the line, a rotation that cannot be done, a full
// disk, and a file another user made.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "LogFiles.h"
#include "SessionLogProbe.h"
#include "VirtualPlatform.h"
#include "log/LoggingSerialService.h"
#include "log/SessionLog.h"

namespace qd40 {
namespace {

namespace fs = std::filesystem;
using test::contents;
using test::events;

std::vector<std::string> bothFiles(const fs::path& log) {
  std::vector<std::string> lines = events(contents(log.string() + ".1"));
  for (std::string& line : events(contents(log))) lines.push_back(std::move(line));
  return lines;
}

std::size_t countOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// A writer with short lines and one with long ones, at once: whichever
// rotates, the other's lines are neither lost nor left in the earlier part.
TEST(SessionLogKeepsTest, TwoWritersOnOneFileKeepEachOthersLines) {
  const test::TempFolder folder("shared");
  const fs::path log = folder.file("shared.log");
  std::string error;
  auto first = SessionLog::open(log, error, test::smallestLog("first"));
  auto second = SessionLog::open(log, error, test::smallestLog("second"));
  ASSERT_TRUE(first && second) << error;
  const std::string longText(200, 'a');
  std::thread longLines([&] {
    for (int i = 0; i < 300; ++i) first->write(longText + std::to_string(i));
  });
  for (int i = 0; i < 540; ++i) second->write("b " + std::to_string(i));
  longLines.join();
  first.reset();
  second.reset();

  const std::vector<std::string> lines = bothFiles(log);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(countOf(lines, longText + std::to_string(i)), 1u) << i;
  for (int i = 0; i < 540; ++i) ASSERT_EQ(countOf(lines, "b " + std::to_string(i)), 1u) << i;
  EXPECT_LE(fs::file_size(log.string() + ".1"), 65536u);
  EXPECT_LE(fs::file_size(log), 65536u);
}

TEST(SessionLogKeepsTest, AWriterFollowsItsNameWhenAnotherRotatesOrRemovesTheFile) {
  const std::pair<bool, std::string> cases[] = {
      {true,
       "second; the log is opened again: moved.log was rotated by another writer, earlier "
       "lines in moved.log.1"},
      {false, "second; the log is opened again: moved.log was removed, lines before are lost"},
  };
  for (const auto& [rotated, told] : cases) {
    const test::TempFolder folder("moved");
    const fs::path log = folder.file("moved.log");
    std::string error;
    auto first = SessionLog::open(log, error, test::smallestLog("first"));
    auto second = SessionLog::open(log, error, test::smallestLog("second"));
    ASSERT_TRUE(first && second) << error;
    EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*second));
    if (rotated) {
      for (int i = 0; i < 300; ++i) first->write(std::string(200, 'a'));
      EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*first));
    } else {
      fs::remove(log);
    }
    second->write("pressed after");
    second.reset();
    const std::vector<std::string> lines = events(contents(log));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], told);
    EXPECT_EQ(lines.back(), "pressed after");
  }
}

// What a device sends cannot push the header, the port's events or what was
// sent out of the log; what it sent beyond its budget is counted.
TEST(SessionLogKeepsTest, ABurstOfReceivedBytesLeavesTheRecordWhole) {
  const test::TempFolder folder("burst");
  const fs::path log = folder.file("burst.log");
  std::string error;
  auto sessionLog = SessionLog::open(log, error, test::smallestLog("header"));
  ASSERT_TRUE(sessionLog) << error;
  test::VirtualClock clock;
  test::FakeSerial serial(clock);
  const PortConfig ports;
  {
    LoggingSerialService logged(serial, *sessionLog, ports);
    logged.open();
    logged.output("C00\r");
    for (int i = 0; i < 256; ++i) {
      serial.receive(std::string(4096, 'x'));
      logged.input();
    }
    logged.output("C01\r");
  }
  sessionLog.reset();

  const std::vector<std::string> lines = bothFiles(log);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "header");
  EXPECT_EQ(lines[1], "COM1 (/dev/ttyS0) opened");
  EXPECT_EQ(lines[2], "COM1 (/dev/ttyS0) TX \"C00\"<CR>");
  EXPECT_EQ(lines.back(), "COM1 (/dev/ttyS0) TX \"C01\"<CR>");
  // Between them only received bytes, logged or counted.
  const std::regex counted(R"(… (\d+) received bytes not logged)");
  std::size_t logged = 0, notLogged = 0;
  for (std::size_t i = 3; i + 1 < lines.size(); ++i) {
    if (std::smatch count; std::regex_match(lines[i], count, counted)) {
      notLogged += std::stoul(count[1]);
    } else {
      ASSERT_TRUE(lines[i].starts_with("COM1 (/dev/ttyS0) RX ")) << lines[i];
      logged += std::count(lines[i].begin(), lines[i].end(), 'x');
    }
  }
  EXPECT_TRUE(std::regex_match(lines[lines.size() - 2], counted)) << "counted where the gap was";
  EXPECT_GT(logged, 0u);
  EXPECT_EQ(logged + notLogged, 1048576u);
  EXPECT_FALSE(fs::exists(log.string() + ".1"));
}

TEST(SessionLogKeepsTest, AFailedRotationGoesOnInTheSameFileAndSaysSoOnce) {
  const test::TempFolder folder("unrotated");
  const fs::path dir = folder.path();
  fs::create_directories(dir / "full.log.1" / "in-the-way");
  std::string error;
  auto log = SessionLog::open(dir / "full.log", error, test::smallestLog("header"));
  ASSERT_TRUE(log) << error;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 200; ++i) log->write(std::string(1000, 'x'));
  log.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd40-control: the session log " + (dir / "full.log").string() +
                " cannot be rotated: it cannot be renamed to full.log.1: Is a directory.\n");
  const std::vector<std::string> lines = events(contents(dir / "full.log"));
  EXPECT_EQ(countOf(lines, std::string(1000, 'x')), 200u);
  EXPECT_EQ(countOf(lines,
                    "the session log cannot be rotated: it cannot be renamed to "
                    "full.log.1: Is a directory; it goes on in this file over its size"),
            1u);
}

// A small file system of the test's own fills up, and is given room again.
TEST(SessionLogKeepsTest, AFullDiskCutsNoLineAndTheLogResumesWithWhatItMissed) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  const test::TempFolder folder("full");
  const fs::path dir = folder.path();
  ASSERT_EQ(::mount("qd40-full", dir.c_str(), "tmpfs", 0, "size=64k"), 0);
  std::ofstream(dir / "filler") << std::string(32 * 1024, 'f');
  std::vector<std::string> told;
  std::string error;
  auto log = SessionLog::open(
      dir / "x.log", error,
      {kDefaultLogMax, "header", [&](const std::string& why) { told.push_back(why); },
       std::chrono::milliseconds(0), QD40_LOG_WRITER_PATH});
  ASSERT_TRUE(log) << error;
  testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) log->write(std::string(1000, 'x'));
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  for (int i = 0; i < 60; ++i) log->write(std::string(1000, 'x'));
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  const std::string whenFull = contents(dir / "x.log");
  fs::remove(dir / "filler");
  log->write("after");
  log.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd40-control: the session log " + (dir / "x.log").string() +
                " stopped: No space left on device.\nqd40-control: the session log " +
                (dir / "x.log").string() + " resumes.\n");
  EXPECT_EQ(told, std::vector<std::string>{"No space left on device"});
  ASSERT_FALSE(whenFull.empty());
  EXPECT_EQ(whenFull.back(), '\n') << "a line is left cut";
  const std::vector<std::string> lines = events(contents(dir / "x.log"));
  const std::regex resumed(
      R"(the session log resumes; it stopped at \S+: No space left on device; (\d+) lines \(\d+ bytes\) not logged)");
  std::smatch missed;
  ASSERT_GE(lines.size(), 2u);
  ASSERT_TRUE(std::regex_match(lines[lines.size() - 2], missed, resumed))
      << lines[lines.size() - 2];
  EXPECT_EQ(countOf(lines, std::string(1000, 'x')) + std::stoul(missed[1]), 65u);
  EXPECT_EQ(lines.back(), "after");
  ::umount2(dir.c_str(), MNT_DETACH);
}

TEST(SessionLogKeepsTest, RefusesAFileAnotherUserMade) {
  if (::geteuid() != 0) GTEST_SKIP() << "a file of another user needs root to make";
  const test::TempFolder folder("owner");
  const fs::path dir = folder.path();
  fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);  // as /tmp
  std::ofstream(dir / "planted.log") << "forged line\n";
  ASSERT_EQ(::chown((dir / "planted.log").c_str(), 65534, 65534), 0);
  fs::permissions(dir / "planted.log", fs::perms::all & ~fs::perms::owner_exec &
                                           ~fs::perms::group_exec & ~fs::perms::others_exec);
  std::string error;
  EXPECT_FALSE(SessionLog::open(dir / "planted.log", error));
  EXPECT_EQ(error, "The session log " + (dir / "planted.log").string() +
                       " is not opened: it belongs to the user nobody, not to you or root, who "
                       "could read and change what the panel writes into it. Remove it or choose "
                       "another file. The panel runs without a log.");
  EXPECT_EQ(contents(dir / "planted.log"), "forged line\n");
}

}  // namespace
}  // namespace qd40
