// `qd40ctl mqtt` against Debian's mosquitto on loopback, with the test
// playing the projector on a real pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <fstream>

#include "PtyPair.h"
#include "TestBroker.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

// The projector on the master end: answers each line from `replies`
// (changed by the test as the projector's state changes) and keeps the wire.
struct PlayedProjector {
  PtyPair pty;
  std::map<std::string, std::string> replies{{"CR0", "80\r"},
                                             {"CR1", "1\r"},
                                             {"CR3", "01234\r"},
                                             {"CR6", "035.5C,42.0,038.2\r"},
                                             {"CR PRESSURE", "0512\r"},
                                             {"C00", "\x06"},
                                             {"C01", "\x06"}};
  std::string wire;
  std::string pending;
  bool answering = true;

  void serve() {
    const std::string got = pty.read(1, milliseconds(5));
    wire += got;
    pending += got;
    for (std::size_t end; (end = pending.find('\r')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line == "C00") replies["CR0"] = "00\r";
      const auto reply = replies.find(line);
      if (answering && reply != replies.end()) pty.write(reply->second);
    }
  }
  // The operation codes the line carried (status reads left out).
  std::string commands() const {
    std::string out;
    for (std::size_t start = 0, end; (end = wire.find('\r', start)) != std::string::npos;
         start = end + 1) {
      const std::string line = wire.substr(start, end - start);
      if (!line.starts_with("CR")) out += line + " ";
    }
    return out;
  }
};

struct Bridged {
  TestBroker broker;
  PlayedProjector projector;
  QProcess bridge;
  std::unique_ptr<BusWatcher> watcher;

  // `retained` is on the broker before the bridge comes.
  void start(const QStringList& extra = {}, std::string url = {},
             const std::vector<std::pair<std::string, std::string>>& retained = {}) {
    if (url.empty()) url = broker.url();
    ASSERT_TRUE(broker.start());
    watcher = std::make_unique<BusWatcher>(broker.watcherPort());
    ASSERT_TRUE(watcher->connected());
    for (const auto& [topic, payload] : retained) watcher->publish(topic, payload, true);
    bridge.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    bridge.start(QD40_CTL_PATH,
                 QStringList{"mqtt", "--broker", QString::fromStdString(url), "--port",
                             QString::fromStdString(projector.pty.slavePath()), "--id", "hall1",
                             "--interval", "1"} +
                     extra);
    ASSERT_TRUE(bridge.waitForStarted(5000));
  }
  bool until(const std::function<bool()>& done, milliseconds timeout = milliseconds(15000)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      projector.serve();
      if (watcher) {
        watcher->pump(5);
      } else {
        runFor(milliseconds(5));
      }
      if (done()) return true;
    }
    return false;
  }
  bool holds(const std::string& topic, const std::string& value) {
    return until([&] { return watcher->last(topic) == value; });
  }
  ~Bridged() {
    bridge.terminate();
    if (!bridge.waitForFinished(5000)) bridge.kill();
  }
};

TEST(Bridge, PublishesStatesAndDiscoveryThatHomeAssistantAccepts) {
  Bridged run;
  run.start();
  ASSERT_TRUE(run.holds("qd40/hall1/availability", "online"));
  ASSERT_TRUE(run.holds("qd40/hall1/power", "OFF"));
  EXPECT_TRUE(run.holds("qd40/bridge/state", "online"));
  EXPECT_TRUE(run.holds("qd40/hall1/status", "Stand by"));
  EXPECT_TRUE(run.holds("qd40/hall1/input", "pc1"));
  EXPECT_TRUE(run.holds("qd40/hall1/lamp_hours", "1234"));
  EXPECT_TRUE(run.holds("qd40/hall1/temperature/1", "35.5"));
  EXPECT_TRUE(run.holds("qd40/hall1/temperature/2", "42"));
  EXPECT_TRUE(run.holds("qd40/hall1/temperature/3", "38.2"));
  EXPECT_TRUE(run.holds("qd40/hall1/pressure", "650"));

  struct Config {
    std::string topic;
    std::vector<QString> keys;  // what Home Assistant needs beyond the common ones
  };
  const std::vector<Config> configs = {
      {"homeassistant/switch/qd40_hall1/power/config", {"command_topic", "state_topic"}},
      {"homeassistant/select/qd40_hall1/input/config", {"command_topic", "options", "state_topic"}},
      {"homeassistant/sensor/qd40_hall1/lamp_hours/config",
       {"state_topic", "unit_of_measurement", "state_class"}},
      {"homeassistant/sensor/qd40_hall1/temperature_2/config",
       {"state_topic", "unit_of_measurement", "device_class"}},
      {"homeassistant/sensor/qd40_hall1/pressure/config", {"state_topic", "unit_of_measurement"}},
      {"homeassistant/sensor/qd40_hall1/status/config", {"state_topic"}},
      {"homeassistant/button/qd40_hall1/display_clear/config", {"command_topic", "payload_press"}},
  };
  for (const Config& config : configs) {
    SCOPED_TRACE(config.topic);
    ASSERT_TRUE(run.until([&] { return !run.watcher->last(config.topic).empty(); }));
    QJsonParseError error;
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.watcher->last(config.topic)), &error)
            .object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    for (const QString& key : config.keys) EXPECT_TRUE(json.contains(key)) << key.toStdString();
    EXPECT_TRUE(json["unique_id"].toString().startsWith("qd40_hall1_"));
    EXPECT_EQ(json["device"]["identifiers"][0].toString(), "qd40_hall1");
    EXPECT_EQ(json["device"]["model"].toString(), "QD40");
    EXPECT_FALSE(json["device"]["sw_version"].toString().isEmpty());
    EXPECT_EQ(json["availability"][0]["topic"].toString(), "qd40/bridge/state");
    EXPECT_EQ(json["availability"][1]["topic"].toString(), "qd40/hall1/availability");
    EXPECT_EQ(json["availability_mode"].toString(), "all");
  }
  const std::string lamp = run.watcher->last("homeassistant/sensor/qd40_hall1/lamp_hours/config");
  EXPECT_NE(lamp.find("\"unit_of_measurement\":\"h\""), std::string::npos);
  EXPECT_NE(lamp.find("\"state_class\":\"total_increasing\""), std::string::npos);

  // Home Assistant, restarted, finds every config again.
  run.watcher->clear();
  run.watcher->publish("homeassistant/status", "online");
  EXPECT_TRUE(run.until([&] {
    return !run.watcher->last("homeassistant/switch/qd40_hall1/power/config").empty() &&
           run.watcher->last("qd40/hall1/power") == "OFF";
  }));
}

TEST(Bridge, PowerOnGoesOutOnceAndTheStateFollowsAcrossABrokerRestart) {
  Bridged run;
  run.start();
  ASSERT_TRUE(run.holds("qd40/hall1/power", "OFF"));
  run.watcher->publish("qd40/hall1/power/set", "ON");
  ASSERT_TRUE(run.holds("qd40/hall1/power", "ON"));
  EXPECT_TRUE(run.holds("qd40/hall1/status", "Power ON"));
  EXPECT_EQ(run.projector.commands(), "C00 ");

  run.broker.kill();
  run.watcher.reset();
  run.until([] { return false; }, milliseconds(1500));  // polls go on meanwhile
  ASSERT_TRUE(run.broker.start());
  run.watcher = std::make_unique<BusWatcher>(run.broker.watcherPort());
  EXPECT_TRUE(run.holds("qd40/hall1/power", "ON"));
  EXPECT_TRUE(run.holds("qd40/bridge/state", "online"));
  EXPECT_TRUE(run.until(
      [&] { return !run.watcher->last("homeassistant/switch/qd40_hall1/power/config").empty(); }));
  EXPECT_EQ(run.projector.commands(), "C00 ");
}

TEST(Bridge, AnUnpluggedProjectorGoesOfflineAndRefusesCommands) {
  Bridged run;
  run.start();
  ASSERT_TRUE(run.holds("qd40/hall1/availability", "online"));
  run.projector.pty.hangUp();
  EXPECT_TRUE(run.holds("qd40/hall1/availability", "offline"));
  run.watcher->publish("qd40/hall1/power/set", "OFF");
  EXPECT_TRUE(run.until(
      [&] { return run.watcher->last("qd40/hall1/error").starts_with("power OFF not sent"); }));
}

TEST(Bridge, ASilentProjectorGoesOfflineAfterTwoPolls) {
  Bridged run;
  run.start();
  ASSERT_TRUE(run.holds("qd40/hall1/availability", "online"));
  run.projector.answering = false;
  // The poll under way ends, then two polls go unanswered.
  EXPECT_TRUE(run.until([&] { return run.watcher->last("qd40/hall1/availability") == "offline"; },
                        milliseconds(30000)));
  run.watcher->publish("qd40/hall1/power/set", "ON");
  EXPECT_TRUE(run.until([&] {
    return run.watcher->last("qd40/hall1/error").find("has not answered") != std::string::npos;
  }));
  EXPECT_EQ(run.projector.commands(), "");
}

TEST(Bridge, BadCommandsNeverReachTheLine) {
  struct Case {
    std::string topic, payload;
    std::string error;  // the start of the message on qd40/hall1/error; empty: none
  };
  const std::vector<Case> cases = {
      {"qd40/hall1/power/set", "on", "power takes ON, OFF, not \"on\""},
      {"qd40/hall1/power/set", "", "power takes ON, OFF, not \"\""},
      {"qd40/hall1/power/set", "ON\r", "power takes ON, OFF, not \"ON?\""},
      {"qd40/hall1/input/set", "hdmi", "input takes pc1, pc2, video, not \"hdmi\""},
      {"qd40/hall1/launch/set", "ON", "no such command: \"launch\""},
      {"qd40/hall1/display_clear/set", "ON", "display_clear takes PRESS, not \"ON\""},
      {"qd40/hall1/raw/set", "C00", "raw codes are not taken"},
      {"qd40/hall1/power/get", "ON", ""},
      {"qd40/hall2/power/set", "ON", ""},
      {"qd40/hall1/power", "ON", ""},
  };
  Bridged run;
  // A command the broker kept from long ago is never acted on.
  run.start({}, {}, {{"qd40/hall1/power/set", "ON"}});
  ASSERT_TRUE(run.holds("qd40/hall1/error",
                        "power refused: a retained command is never acted on (publish it without "
                        "retain)"));
  ASSERT_TRUE(run.holds("qd40/hall1/availability", "online"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.topic + " " + c.payload);
    run.watcher->clear();
    run.watcher->publish(c.topic, c.payload);
    if (c.error.empty()) {
      run.until([] { return false; }, milliseconds(300));
      EXPECT_EQ(run.watcher->last("qd40/hall1/error"), "");
    } else {
      EXPECT_TRUE(run.until([&] { return !run.watcher->last("qd40/hall1/error").empty(); }));
      EXPECT_EQ(run.watcher->last("qd40/hall1/error").substr(0, c.error.size()), c.error);
    }
  }
  run.until([] { return false; }, milliseconds(1500));
  EXPECT_EQ(run.projector.commands(), "");
}

TEST(Bridge, ForgetRemovesAProjectorsRetainedTopics) {
  Bridged run;
  run.start();
  ASSERT_TRUE(run.holds("qd40/hall1/lamp_hours", "1234"));
  run.bridge.terminate();
  ASSERT_TRUE(run.bridge.waitForFinished(10000));
  EXPECT_EQ(run.bridge.exitCode(), 0);
  EXPECT_TRUE(run.holds("qd40/bridge/state", "offline"));
  QProcess forget;
  forget.start(QD40_CTL_PATH,
               {"mqtt", "--broker", QString::fromStdString(run.broker.url()), "--forget", "hall1"});
  ASSERT_TRUE(forget.waitForFinished(15000));
  EXPECT_EQ(forget.exitCode(), 0);
  // A newcomer finds nothing of hall1 kept.
  run.watcher = std::make_unique<BusWatcher>(run.broker.watcherPort());
  run.until([] { return false; }, milliseconds(500));
  for (const Received& message : run.watcher->received()) {
    EXPECT_EQ(message.topic.find("hall1"), std::string::npos) << message.topic;
  }
  EXPECT_EQ(run.watcher->last("qd40/bridge/state"), "offline");
}

TEST(Bridge, CredentialsOthersCanReadAreRefused) {
  TestBroker broker;
  const std::string file = broker.folder() + "/credentials";
  std::ofstream(file) << "bridge\nsecret\n";
  chmod(file.c_str(), 0644);
  QProcess bridge;
  bridge.start(QD40_CTL_PATH, {"mqtt", "--credentials", QString::fromStdString(file), "--port",
                               "/dev/null", "--id", "a"});
  ASSERT_TRUE(bridge.waitForFinished(10000));
  EXPECT_EQ(bridge.exitCode(), 2);
  EXPECT_NE(bridge.readAllStandardError().toStdString().find(
                "has mode 0644, so other users may read the password; it must be 0600"),
            std::string::npos);
}

TEST(Bridge, LogsInWithCredentialsFromAPrivateFile) {
  Bridged run;
  const std::string passwords = run.broker.folder() + "/passwords";
  const std::string credentials = run.broker.folder() + "/credentials";
  ASSERT_EQ(QProcess::execute("mosquitto_passwd",
                              {"-b", "-c", QString::fromStdString(passwords), "bridge", "s3cret"}),
            0);
  std::ofstream(credentials) << "bridge\ns3cret\n";
  chmod(credentials.c_str(), 0600);
  run.broker.setListener("allow_anonymous false\npassword_file " + passwords + "\n");
  run.start({"--credentials", QString::fromStdString(credentials)});
  EXPECT_TRUE(run.holds("qd40/bridge/state", "online"));
}

// Runs openssl without its chatter; its exit status.
int openssl(const QStringList& args) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.start("openssl", args);
  return process.waitForFinished(60000) ? process.exitCode() : -1;
}

TEST(Bridge, ConnectsOverTlsToABrokerWithACertificateMadeHere) {
  Bridged run;
  const QString dir = QString::fromStdString(run.broker.folder());
  // A certificate authority, and the broker's certificate for 127.0.0.1 signed by it.
  ASSERT_EQ(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                     "/CN=test CA", "-keyout", dir + "/ca.key", "-out", dir + "/ca.pem"}),
            0);
  ASSERT_EQ(openssl({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                     dir + "/broker.key", "-out", dir + "/broker.csr"}),
            0);
  std::ofstream((dir + "/san.ext").toStdString()) << "subjectAltName=IP:127.0.0.1\n";
  ASSERT_EQ(openssl({"x509", "-req", "-in", dir + "/broker.csr", "-CA", dir + "/ca.pem", "-CAkey",
                     dir + "/ca.key", "-CAcreateserial", "-days", "2", "-extfile", dir + "/san.ext",
                     "-out", dir + "/broker.pem"}),
            0);
  run.broker.setListener("allow_anonymous true\ncafile " + (dir + "/ca.pem").toStdString() +
                         "\ncertfile " + (dir + "/broker.pem").toStdString() + "\nkeyfile " +
                         (dir + "/broker.key").toStdString() + "\n");
  run.start({"--cafile", dir + "/ca.pem"},
            "mqtts://127.0.0.1:" + std::to_string(run.broker.port()));
  EXPECT_TRUE(run.holds("qd40/bridge/state", "online"));
  EXPECT_TRUE(run.holds("qd40/hall1/power", "OFF"));
}

}  // namespace
}  // namespace qd40::test
