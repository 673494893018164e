// The saved settings file as its owner keeps it: comments and lines this
// program does not know survive a save, a file that is no settings file or
// is far too large is neither read nor rewritten but reported, and the file
// is found where the XDG rules put it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>

#include "TempFolder.h"
#include "config/SavedPorts.h"

namespace qd40::test {
namespace {

QByteArray contents(const QString& file) {
  QFile in(file);
  return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(none)");
}

void write(const QString& file, const QByteArray& text) {
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(text);
}

TEST(SavedFile, ASaveChangesOneEntryAndKeepsEveryOtherLine) {
  struct Case {
    const char* fault;
    QByteArray before;
    int number;
    std::string device;
    QByteArray after;
  };
  for (const Case& c : {
           Case{"comments and another program's group must survive",
                "# the projector in room 4\n[ports]\ncom1=/dev/ttyUSB0\n; spare: /dev/ttyUSB1\n"
                "[other]\nkey=1\n",
                1, "/dev/ttyUSB1",
                "# the projector in room 4\n[ports]\ncom1=/dev/ttyUSB1\n; spare: /dev/ttyUSB1\n"
                "[other]\nkey=1\n"},
           Case{"a new entry must join its group, not the file's end",
                "[ports]\ncom1=/dev/a\n\n[other]\nkey=2\n", 2, "/dev/b",
                "[ports]\ncom1=/dev/a\ncom2=/dev/b\n\n[other]\nkey=2\n"},
           Case{"a file without the group must get it after its own lines", "# nothing saved yet\n",
                1, "/dev/ttyS3", "# nothing saved yet\n\n[ports]\ncom1=/dev/ttyS3\n"},
           Case{"an emptied choice must remove its entry alone",
                "[ports]\ncom1=/dev/a\ncom2=/dev/b # mine\n", 2, "", "[ports]\ncom1=/dev/a\n"},
           Case{"no file at all must become the group", "", 1, "/dev/ttyUSB0",
                "[ports]\ncom1=/dev/ttyUSB0\n"},
       }) {
    TempFolder dir;
    const QString file = dir.filePath("qd40-control.conf");
    if (!c.before.isEmpty()) write(file, c.before);
    const SavedPorts saved(file);
    EXPECT_EQ(saved.save(c.number, c.device), "") << c.fault;
    EXPECT_EQ(contents(file), c.after) << c.fault;
    EXPECT_EQ(saved.device(c.number), c.device) << c.fault;
    EXPECT_EQ(saved.problem(), "") << c.fault;
  }
}

TEST(SavedFile, NamesThatNeedQuotingOrAreNotUtf8ReadBackAsTheyWereSaved) {
  TempFolder dir;
  const SavedPorts saved(dir.filePath("qd40-control.conf"));
  for (const std::string& device :
       {std::string("/dev/a;b,c"), std::string("/dev/\"x\" y"), std::string("/dev/\xff\xfe"),
        std::string("/srv/lab one/com1")}) {
    ASSERT_EQ(saved.save(1, device), "");
    EXPECT_EQ(saved.device(1), device);
  }
}

TEST(SavedFile, AFileThatIsNoSettingsOrFarTooLargeIsLeftAsItIsAndReported) {
  TempFolder dir;
  const QString file = dir.filePath("qd40-control.conf");
  struct Case {
    const char* fault;
    QByteArray text;
    qint64 size;  // made sparse to this size when not 0
    QString says;
  };
  for (const Case& c : {
           Case{"prose must not become keys", "Dear projector,\nplease use com1=/dev/x\n", 0,
                file + " is not a settings file the panel can read (line 1 is no setting), so "
                       "it was not used; it is left as it is."},
           Case{"a binary file must not be read as settings", QByteArray("[ports]\ncom1=\0x\n", 15),
                0,
                file + " is not a settings file the panel can read (line 1 is no setting), so "
                       "it was not used; it is left as it is."},
           Case{"a 100 MB file must be refused unread", "[ports]\ncom1=/dev/x\n", 100 << 20,
                file + " is larger than 64 KiB, which no file of saved devices is, so it was "
                       "not read; it is left as it is."},
       }) {
    write(file, c.text);
    if (c.size != 0) ASSERT_TRUE(QFile::resize(file, c.size));
    const QByteArray before = contents(file);
    const SavedPorts saved(file);
    EXPECT_EQ(saved.problem(), c.says) << c.fault;
    EXPECT_EQ(saved.device(1), "") << c.fault;
    EXPECT_EQ(saved.save(1, "/dev/ttyUSB0"), c.says) << c.fault;
    EXPECT_EQ(contents(file), before) << c.fault;
  }
}

TEST(SavedFile, TheFileIsWhereTheXdgRulesPutIt) {
  struct Case {
    const char* fault;
    const char* home;    // HOME; unset when null
    const char* config;  // XDG_CONFIG_HOME; unset when null
    QString file;
  };
  const QByteArray keepHome = qgetenv("HOME"), keepConfig = qgetenv("XDG_CONFIG_HOME");
  for (const Case& c : {
           Case{"the home's .config by default", "/home/ann", nullptr,
                "/home/ann/.config/qd40/qd40-control.conf"},
           Case{"an absolute XDG_CONFIG_HOME counts", "/home/ann", "/srv/cfg",
                "/srv/cfg/qd40/qd40-control.conf"},
           Case{"a relative XDG_CONFIG_HOME must be ignored", "/home/ann", "cfg",
                "/home/ann/.config/qd40/qd40-control.conf"},
           Case{"no HOME must mean the user's home, never //.config", nullptr, nullptr,
                geteuid() == 0 ? "/root/.config/qd40/qd40-control.conf" : ""},
       }) {
    c.home ? qputenv("HOME", c.home) : qunsetenv("HOME");
    c.config ? qputenv("XDG_CONFIG_HOME", c.config) : qunsetenv("XDG_CONFIG_HOME");
    if (!c.file.isEmpty()) EXPECT_EQ(SavedPorts::defaultFile(), c.file) << c.fault;
  }
  qputenv("HOME", keepHome);
  keepConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", keepConfig);
}

}  // namespace
}  // namespace qd40::test
