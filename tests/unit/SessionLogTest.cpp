// The session log file and its lines: appending, files that must not be
// opened, a disk that fills up or stalls, rotation, and the one reading of
// every line. What the panel writes into it is tested with the real window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "LogFiles.h"
#include "SessionLogProbe.h"
#include "VirtualPlatform.h"
#include "log/LoggingSerialService.h"
#include "log/SessionLog.h"
#include "protocol/LogText.h"
#include "protocol/TimeText.h"

namespace qd40 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::contents;
using test::events;

TEST(SessionLogTest, AppendsToWhatIsThere) {
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  std::ofstream(dir / "kept.log") << "earlier line\n";
  std::string error;
  for (const char* name : {"kept.log", "new.log"}) {
    auto log = SessionLog::open(dir / name, error);
    ASSERT_TRUE(log) << error;
    log->write("next\nline\xE2\x80\xAE");
  }
  EXPECT_EQ(events(contents(dir / "kept.log")),
            (std::vector<std::string>{"earlier line", "next<LF>line<U+202E>"}));
  EXPECT_EQ(fs::status(dir / "new.log").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SessionLogTest, ALogThatCannotBeOpenedSaysWhy) {
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  for (const std::string writer : {"", QD40_LOG_WRITER_PATH, "/nonexistent/qd40-log-writer"}) {
    std::string error;
    SessionLogOptions options;
    options.writer = writer;
    EXPECT_FALSE(SessionLog::open(dir / "missing" / "x.log", error, options));
    EXPECT_EQ(error,
              "The session log " + (dir / "missing" / "x.log").string() +
                  " cannot be opened: No such file or directory. The panel runs without a log.")
        << writer;
  }
}

TEST(SessionLogTest, TakesOnlyARegularFileAndNeverWaitsForAReader) {
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::pair<fs::path, std::string> cases[] = {
      {dir / "fifo", "a named pipe (FIFO)"}, {"/dev/null", "a device"}, {dir, "a directory"}};
  for (const auto& [path, kind] : cases) {
    std::string error;
    // A copy: clang 14 cannot capture a structured binding.
    auto opening =
        std::async(std::launch::async, [&, file = path] { return SessionLog::open(file, error); });
    if (opening.wait_for(10s) != std::future_status::ready) {
      ADD_FAILURE() << "opening " << path << " waits for a reader";
      const int reader = ::open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
      opening.wait();
      ::close(reader);
    }
    EXPECT_FALSE(opening.get()) << path;
    EXPECT_EQ(error, "The session log " + path.string() + " is " + kind +
                         ", not a file; the log is written only to a regular file. The panel "
                         "runs without a log.");
  }
}

TEST(SessionLogTest, FollowsNoSymbolicLinkOfAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "planting a link as another user needs root";
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);  // as /tmp
  std::ofstream(dir / "root-only") << "secret\n";
  fs::permissions(dir / "root-only", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directory(dir / "logs");
  fs::create_symlink(dir / "root-only", dir / "mine.log");
  // Planted by nobody, as anyone could in /tmp.
  if (const pid_t child = ::fork(); child == 0) {
    const bool planted =
        ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
        ::symlink((dir / "root-only").c_str(), (dir / "planted.log").c_str()) == 0 &&
        ::symlink((dir / "logs").c_str(), (dir / "planted-dir").c_str()) == 0;
    ::_exit(planted ? 0 : 1);
  } else {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0) << "nobody could not plant the links";
  }
  const std::pair<fs::path, fs::path> refused[] = {
      {dir / "planted.log", dir / "planted.log"},
      {dir / "planted-dir" / "x.log", dir / "planted-dir"}};
  for (const auto& [path, link] : refused) {
    std::string error;
    EXPECT_FALSE(SessionLog::open(path, error));
    EXPECT_EQ(error, "The session log " + path.string() + " is not opened: the symbolic link " +
                         link.string() +
                         " belongs to the user nobody, not to you or root, so the panel does not "
                         "follow it. Remove the link or choose another file. The panel runs "
                         "without a log.");
  }
  std::string error;
  auto log = SessionLog::open(dir / "mine.log", error);
  ASSERT_TRUE(log) << error;
  log->write("own link");
  log.reset();
  EXPECT_EQ(events(contents(dir / "root-only")), (std::vector<std::string>{"secret", "own link"}));
}

TEST(SessionLogTest, AStalledDiskKeepsAtMostOneMiBQueuedAndCountsWhatIsLeftOut) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
  std::size_t filler = 0;
  while (::write(pipeEnds[1], "f", 1) == 1) ++filler;  // nobody reads: the pipe is full
  ::fcntl(pipeEnds[1], F_SETFL, 0);
  testing::internal::CaptureStderr();
  auto log = SessionLog::onDescriptor(pipeEnds[1], "stalled-pipe");
  log->write("first");
  for (int i = 0; i < 10000 && SessionLogProbe::queuedBytes(*log) > 0; ++i)
    std::this_thread::sleep_for(1ms);
  // Lines of 30 + 1000 + 1 bytes: 1017 fit in 1 MiB, 983 do not.
  for (int i = 0; i < 2000; ++i) log->write(std::string(1000, 'x'));
  EXPECT_EQ(SessionLogProbe::queuedBytes(*log), 1048527u);

  std::string read;
  std::thread reader([&] {
    ::fcntl(pipeEnds[0], F_SETFL, 0);
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) read.append(buffer, n);
  });
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  log->write("after");
  log.reset();
  reader.join();
  ::close(pipeEnds[0]);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd40-control: the session log stalled-pipe falls behind; lines that do not fit are "
            "left out and counted in the log.\n");
  const std::vector<std::string> lines = events(read.substr(filler));
  ASSERT_EQ(lines.size(), 1020u);
  EXPECT_EQ(lines[1017], std::string(1000, 'x'));
  EXPECT_EQ(lines[1018], "… 1013473 bytes not logged");
  EXPECT_EQ(lines[1019], "after");
}

// The same, whether this process makes the file calls or the writer does.
TEST(SessionLogTest, AFloodRotatesTheFileKeepingOneEarlierPart) {
  for (const std::string writer : {"", QD40_LOG_WRITER_PATH}) {
    const test::TempFolder folder("log");
    const fs::path dir = folder.path();
    std::string error;
    SessionLogOptions options = test::smallestLog("header");
    options.writer = writer;
    auto log = SessionLog::open(dir / "flood.log", error, options);
    ASSERT_TRUE(log) << error;
    // Lines of 30 + 547 + 1 bytes: 113 to a file after its header.
    for (int i = 0; i < 300; ++i) log->write(std::string(547, 'x'));
    EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
    EXPECT_EQ(fs::file_size(dir / "flood.log.1"), 65381u) << writer;
    EXPECT_EQ(fs::file_size(dir / "flood.log"), 42839u) << writer;
    EXPECT_FALSE(fs::exists(dir / "flood.log.2")) << writer;
    EXPECT_EQ(events(contents(dir / "flood.log"))[0], "header; earlier lines in flood.log.1");
    fs::remove(dir / "flood.log");
    log->write("after removal");
    EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
    EXPECT_EQ(events(contents(dir / "flood.log")),
              (std::vector<std::string>{"header; the log is opened again: flood.log was removed, "
                                        "lines before are lost",
                                        "after removal"}))
        << writer;
  }
}

TEST(SessionLogTest, AFullDiskStopsTheLogWithOneLineOnStandardError) {
  auto log = SessionLog::onDescriptor(::open("/dev/full", O_WRONLY | O_CLOEXEC), "/dev/full");
  testing::internal::CaptureStderr();
  for (int i = 0; i < 5; ++i) log->write("line " + std::to_string(i));
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  log->write("after the stop");
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "qd40-control: the session log /dev/full stopped: No space left on device.\n");
}

TEST(SessionLogTest, ALongReadGoesOnContinuedLinesWithoutCuttingACharacter) {
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  std::string error;
  auto log = SessionLog::open(dir / "long.log", error);
  test::VirtualClock clock;
  test::FakeSerial serial(clock);
  const PortConfig ports;
  LoggingSerialService logged(serial, *log, ports);
  serial.receive(std::string(511, 'A') + "\xE6\x97\xA5" + std::string(600, 'B'));
  logged.input();
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  const std::vector<std::string> lines = events(contents(dir / "long.log"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with(" RX \"" + std::string(511, 'A') + "\"")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" RX (continued) \"\xE6\x97\xA5" + std::string(509, 'B') + "\""));
  EXPECT_TRUE(lines[2].ends_with(" RX (continued) \"" + std::string(91, 'B') + "\""));
}

TEST(SessionLogTest, AFailureRepeatedByAHeldButtonIsCountedNotLoggedEachTime) {
  const test::TempFolder folder("log");
  const fs::path dir = folder.path();
  std::string error;
  auto log = SessionLog::open(dir / "held.log", error);
  test::VirtualClock clock;
  test::FakeSerial serial(clock);
  const PortConfig ports;
  {
    LoggingSerialService logged(serial, *log, ports);
    for (const char* why : {"gone", "gone", "gone", "busy", "busy"}) {
      serial.setFailure(1, why);
      logged.open();
    }
  }
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*log));
  const std::vector<std::string> lines = events(contents(dir / "held.log"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].ends_with(" failed: gone")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" failed the same way 2 more times")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with(" failed: busy")) << lines[2];
  EXPECT_TRUE(lines[3].ends_with(" failed the same way 1 more time")) << lines[3];
}

TEST(SessionLogTest, TimesAreShownInTheZoneAndFormOfEachPlace) {
  using namespace std::chrono;
  const auto at = sys_days{year{2026} / 12 / 8} + 8h + 14min + 3s + 512ms;
  const std::string saved = std::getenv("TZ") != nullptr ? std::getenv("TZ") : "";
  struct Case {
    const char* zone;
    TimeForm form;
    const char* shown;
  };
  for (const auto& [zone, form, shown] : {
           Case{"UTC0", TimeForm::LocalWithOffset, "2026-12-08T08:14:03.512+00:00"},
           Case{"CET-1", TimeForm::LocalWithOffset, "2026-12-08T09:14:03.512+01:00"},
           Case{"NST+3:30", TimeForm::LocalWithOffset, "2026-12-08T04:44:03.512-03:30"},
           Case{"NPT-5:45", TimeForm::LocalWithOffset, "2026-12-08T13:59:03.512+05:45"},
           // The simulator's clock is local; qd40ctl's reports are in UTC whatever the zone.
           Case{"NPT-5:45", TimeForm::LocalClock, "13:59:03.512"},
           Case{"NPT-5:45", TimeForm::UtcSeconds, "2026-12-08T08:14:03Z"},
       }) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    EXPECT_EQ(formatTime(at, form), shown) << zone;
  }
  saved.empty() ? ::unsetenv("TZ") : ::setenv("TZ", saved.c_str(), 1);
  ::tzset();
}

TEST(SessionLogTest, TypedTextAndLineBytesNeverReadAlike) {
  const std::pair<std::string, std::string> cases[] = {
      {"80<CR>", R"("80<CR>")"},  // typed by the operator
      {"80\r", R"("80"<CR>)"},    // the bytes 8, 0, CR
      {"C00\r\x06", R"("C00"<CR><ACK>)"},
      {"a\xE2\x80\xAE"
       "b",
       R"("a"<U+202E>"b")"},  // right-to-left override
      {"\xE2\x80\xA8\xE2\x80\xA9", "<U+2028><U+2029>"},
      {"\xE2\x81\xA6\xE2\x81\xA9\xE2\x80\x8F\xD8\x9C", "<U+2066><U+2069><U+200F><U+061C>"},
      {"\xE2\x80\xAF", "\"\xE2\x80\xAF\""},  // a narrow no-break space is text
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(renderBytes(bytes), shown) << testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace qd40
