#pragma once
// Debian's mosquitto broker for a test: started on a free loopback port
// with a configuration of the test's own (no persistence, so a restart
// forgets every retained message), and a plain libmosquitto client that
// watches every topic and publishes for the test.
#include <QProcess>
#include <map>
#include <string>
#include <vector>

#include "TempFolder.h"

struct mosquitto;
struct mosquitto_message;

namespace qd40::test {

class TestBroker final {
 public:
  // `extra` is added to the listener's configuration (TLS, passwords).
  TestBroker();
  // Added to the bridge's listener's configuration before start() (TLS,
  // passwords); the watcher has a plain listener of its own.
  void setListener(std::string extra) { m_extra = std::move(extra); }
  ~TestBroker();
  bool start();
  // Gone at once, as a crash: no last words to anyone.
  void kill();
  int port() const { return m_port; }
  int watcherPort() const { return m_watcherPort; }
  std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(m_port); }
  const std::string& folder() const { return m_folder.path(); }

 private:
  TempFolder m_folder{"broker"};
  QProcess m_process;
  std::string m_extra = "allow_anonymous true\n";
  int m_port = 0;
  int m_watcherPort = 0;
};

struct Received {
  std::string topic;
  std::string payload;
  bool retained;
};

class BusWatcher final {
 public:
  explicit BusWatcher(int port);
  ~BusWatcher();
  bool connected() const { return m_connected; }
  // Runs the client's loop (and Qt's) for `ms`.
  void pump(int ms = 20);
  void publish(const std::string& topic, const std::string& payload, bool retained = false);
  // The last payload of `topic`, empty for none.
  std::string last(const std::string& topic) const;
  const std::vector<Received>& received() const { return m_received; }
  void clear() {
    m_received.clear();
    m_last.clear();
  }

 private:
  static void onMessage(mosquitto*, void*, const mosquitto_message*);
  static void onConnect(mosquitto*, void*, int rc);
  mosquitto* m_mosq = nullptr;
  bool m_connected = false;
  std::vector<Received> m_received;
  std::map<std::string, std::string> m_last;
};

}  // namespace qd40::test
