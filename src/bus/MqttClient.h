#pragma once
// An MQTT client on Qt's event loop: libmosquitto does the protocol, and
// this drives it from its socket (read when the socket is readable, write
// while the library has bytes to send, its housekeeping from a timer), so
// no second loop or thread runs. It connects in the background, keeps a
// last will, and after a loss connects again at growing pauses while the
// rest of the program goes on. What waits to be published is bounded: a
// newer message for a topic replaces the older one that has not gone out.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

namespace qd40::bus {

struct BrokerSettings {
  std::string host = "localhost";
  int port = 1883;
  bool tls = false;
  std::string caFile;    // TLS: the certificates the broker's is checked against
  std::string certFile;  // TLS: our own certificate and key, when the broker asks for one
  std::string keyFile;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::string clientId;
  int keepaliveSeconds = 30;
  std::string willTopic;  // retained with `willPayload` when we go without a word
  std::string willPayload;
};

class MqttClient final : public QObject {
  Q_OBJECT

 public:
  using MessageHandler =
      std::function<void(const std::string& topic, const std::string& payload, bool retained)>;

  explicit MqttClient(BrokerSettings settings, QObject* parent = nullptr);
  ~MqttClient() override;

  // Connects in the background; a failure is told and tried again later.
  void start();
  bool connected() const { return m_state == State::Connected; }
  // Subscriptions, made again on every connection.
  void subscribe(std::string pattern);
  // Sends now if it can; otherwise keeps the latest message per topic until
  // it can. A message that is not retained is only worth sending while
  // connected and is dropped otherwise.
  void publish(const std::string& topic, const std::string& payload, bool retained);
  // Everything handed over has been taken by the broker.
  bool drained() const { return m_waiting.empty() && m_unacknowledged.empty(); }
  std::size_t waiting() const { return m_waiting.size(); }
  // Leaves the broker cleanly (no last will), once what waits has gone out
  // or `patience` has passed.
  void finish(std::chrono::milliseconds patience, std::function<void()> done);

  void setMessageHandler(MessageHandler handler) { m_onMessage = std::move(handler); }
  void setConnectedHandler(std::function<void()> handler) { m_onConnected = std::move(handler); }
  // Why the connection could not be made or went.
  void setTroubleHandler(std::function<void(const std::string&)> handler) {
    m_onTrouble = std::move(handler);
  }

 private:
  enum class State { Idle, Connecting, Connected, Waiting, Finished };
  struct Pending {
    std::string payload;
    bool retained;
  };

  static void onConnect(mosquitto*, void* self, int rc);
  static void onDisconnect(mosquitto*, void* self, int rc);
  static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
  static void onPublish(mosquitto*, void* self, int mid);

  void connectNow();
  void watchSocket();
  void unwatchSocket();
  void readable();
  void writable();
  void housekeeping();
  void afterLoop(int rc);
  void lost(const std::string& why);
  void lostLater(const std::string& why);
  void complete();
  void flush();
  void trouble(const std::string& why);

  BrokerSettings m_settings;
  mosquitto* m_mosq = nullptr;
  State m_state = State::Idle;
  std::unique_ptr<QSocketNotifier> m_read;
  std::unique_ptr<QSocketNotifier> m_write;
  QTimer m_housekeeping;
  QTimer m_retry;
  std::chrono::milliseconds m_pause;
  std::vector<std::string> m_subscriptions;
  std::map<std::string, Pending> m_waiting;
  std::set<int> m_unacknowledged;
  bool m_holding = false;
  std::string m_lastTrouble;
  MessageHandler m_onMessage;
  std::function<void()> m_onConnected;
  std::function<void(const std::string&)> m_onTrouble;
  std::function<void()> m_finished;
  QTimer m_patience;
};

// What a libmosquitto result code means, in words.
std::string mqttError(int rc);

}  // namespace qd40::bus
