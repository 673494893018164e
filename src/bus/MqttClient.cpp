// libmosquitto driven from Qt's event loop.
#include "bus/MqttClient.h"

#include <mosquitto.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qd40::bus {

namespace {

// The library's timers (keepalive pings, retries) want a call about once a
// second.
constexpr std::chrono::milliseconds kHousekeeping{1000};
// Pauses between attempts to connect: the first after half a second,
// doubling up to four, so a broker back from a restart finds us within
// seconds and a broker that stays away is not hammered.
constexpr std::chrono::milliseconds kFirstPause{500};
constexpr std::chrono::milliseconds kLongestPause{4000};
// Messages handed to the library and not yet acknowledged by the broker;
// beyond these, newer messages wait here, one per topic.
constexpr std::size_t kMostUnacknowledged = 64;
constexpr int kQos = 1;

struct LibraryInit {
  LibraryInit() { mosquitto_lib_init(); }
  ~LibraryInit() { mosquitto_lib_cleanup(); }
};

void initLibrary() {
  static LibraryInit init;
}

}  // namespace

std::string mqttError(int rc) {
  if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
  return mosquitto_strerror(rc);
}

MqttClient::MqttClient(BrokerSettings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_pause(kFirstPause) {
  initLibrary();
  m_mosq = mosquitto_new(m_settings.clientId.empty() ? nullptr : m_settings.clientId.c_str(), true,
                         this);
  mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
  mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
  mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
  mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
  if (!m_settings.willTopic.empty()) {
    mosquitto_will_set(m_mosq, m_settings.willTopic.c_str(),
                       static_cast<int>(m_settings.willPayload.size()),
                       m_settings.willPayload.data(), kQos, true);
  }
  if (m_settings.user) {
    mosquitto_username_pw_set(m_mosq, m_settings.user->c_str(),
                              m_settings.password ? m_settings.password->c_str() : nullptr);
  }
  m_housekeeping.setInterval(kHousekeeping);
  connect(&m_housekeeping, &QTimer::timeout, this, &MqttClient::housekeeping);
  m_retry.setSingleShot(true);
  connect(&m_retry, &QTimer::timeout, this, &MqttClient::connectNow);
  m_patience.setSingleShot(true);
}

MqttClient::~MqttClient() {
  m_read.reset();
  m_write.reset();
  mosquitto_destroy(m_mosq);
}

void MqttClient::start() {
  if (m_settings.tls) {
    const int rc = mosquitto_tls_set(
        m_mosq, m_settings.caFile.empty() ? nullptr : m_settings.caFile.c_str(),
        m_settings.caFile.empty() ? "/etc/ssl/certs" : nullptr,
        m_settings.certFile.empty() ? nullptr : m_settings.certFile.c_str(),
        m_settings.keyFile.empty() ? nullptr : m_settings.keyFile.c_str(), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      trouble("TLS cannot be set up: " + mqttError(rc));
      m_state = State::Finished;
      return;
    }
  }
  m_housekeeping.start();
  connectNow();
}

void MqttClient::connectNow() {
  if (m_state == State::Finished) return;
  m_state = State::Connecting;
  const int rc = mosquitto_connect_async(m_mosq, m_settings.host.c_str(), m_settings.port,
                                         m_settings.keepaliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) {
    lost(mqttError(rc));
    return;
  }
  watchSocket();
}

// The socket is new after every connect: notifiers on the old one would
// watch a closed or reused descriptor.
void MqttClient::watchSocket() {
  unwatchSocket();
  const int fd = mosquitto_socket(m_mosq);
  if (fd < 0) return;
  m_read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(m_read.get(), &QSocketNotifier::activated, this, &MqttClient::readable);
  m_write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  connect(m_write.get(), &QSocketNotifier::activated, this, &MqttClient::writable);
  m_write->setEnabled(mosquitto_want_write(m_mosq));
}

// A notifier may be the one whose signal is running: it goes once that
// signal has returned.
void MqttClient::unwatchSocket() {
  if (m_read) m_read.release()->deleteLater();
  if (m_write) m_write.release()->deleteLater();
}

void MqttClient::readable() {
  afterLoop(mosquitto_loop_read(m_mosq, 1));
}

void MqttClient::writable() {
  afterLoop(mosquitto_loop_write(m_mosq, 1));
}

void MqttClient::housekeeping() {
  if (m_state != State::Connecting && m_state != State::Connected) return;
  afterLoop(mosquitto_loop_misc(m_mosq));
}

void MqttClient::afterLoop(int rc) {
  if (rc != MOSQ_ERR_SUCCESS) {
    lost(mqttError(rc));
    return;
  }
  if (m_write) m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttClient::onConnect(mosquitto*, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  if (rc != 0) {
    client->lost(std::string("the broker refused the connection: ") + mosquitto_connack_string(rc));
    return;
  }
  client->m_state = State::Connected;
  client->m_pause = kFirstPause;
  client->m_lastTrouble.clear();
  client->m_unacknowledged.clear();
  for (const std::string& pattern : client->m_subscriptions) {
    mosquitto_subscribe(client->m_mosq, nullptr, pattern.c_str(), 0);
  }
  // What the handler publishes joins what waited, one message per topic,
  // before any of it goes.
  client->m_holding = true;
  if (client->m_onConnected) client->m_onConnected();
  client->m_holding = false;
  client->flush();
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  if (client->m_state == State::Finished) return;
  client->lostLater(rc == 0 ? "the connection was closed" : mqttError(rc));
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* client = static_cast<MqttClient*>(self);
  if (!client->m_onMessage || message->topic == nullptr) return;
  const std::string payload(static_cast<const char*>(message->payload),
                            static_cast<std::size_t>(std::max(message->payloadlen, 0)));
  client->m_onMessage(message->topic, payload, message->retain);
}

void MqttClient::onPublish(mosquitto*, void* self, int mid) {
  auto* client = static_cast<MqttClient*>(self);
  client->m_unacknowledged.erase(mid);
  client->flush();
}

// From inside the library's callbacks, which run under its locks.
void MqttClient::lostLater(const std::string& why) {
  QTimer::singleShot(0, this, [this, why] { lost(why); });
}

void MqttClient::lost(const std::string& why) {
  if (m_state == State::Finished) {
    unwatchSocket();
    return;
  }
  if (m_state == State::Waiting) return;
  const bool wasConnected = m_state == State::Connected;
  m_state = State::Waiting;
  unwatchSocket();
  mosquitto_disconnect(m_mosq);
  // What was handed over and not acknowledged is sent again from here, as
  // the latest state, once the connection stands.
  m_unacknowledged.clear();
  trouble((wasConnected ? "lost the broker " : "cannot reach the broker ") + m_settings.host +
          " port " + std::to_string(m_settings.port) + ": " + why +
          "; trying again in the background");
  m_retry.start(m_pause);
  m_pause = std::min(m_pause * 2, kLongestPause);
}

void MqttClient::trouble(const std::string& why) {
  // The same cause again and again, while the broker stays away, is told once.
  if (why == m_lastTrouble) return;
  m_lastTrouble = why;
  if (m_onTrouble) m_onTrouble(why);
}

void MqttClient::subscribe(std::string pattern) {
  if (connected()) mosquitto_subscribe(m_mosq, nullptr, pattern.c_str(), 0);
  m_subscriptions.push_back(std::move(pattern));
}

void MqttClient::publish(const std::string& topic, const std::string& payload, bool retained) {
  if (!connected() && !retained) return;
  m_waiting[topic] = {payload, retained};
  flush();
}

void MqttClient::flush() {
  if (m_holding) return;
  while (connected() && !m_waiting.empty() && m_unacknowledged.size() < kMostUnacknowledged) {
    auto next = m_waiting.begin();
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, next->first.c_str(),
                                     static_cast<int>(next->second.payload.size()),
                                     next->second.payload.data(), kQos, next->second.retained);
    if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST) return;
    // A message the library refuses (a topic too long, not UTF-8) would
    // never go: it is dropped rather than held.
    if (rc == MOSQ_ERR_SUCCESS) m_unacknowledged.insert(mid);
    m_waiting.erase(next);
  }
  if (m_write) m_write->setEnabled(mosquitto_want_write(m_mosq));
  // Called back from inside the library's loop, which holds its locks: the
  // goodbye is written once that loop has returned.
  if (m_finished && drained()) QTimer::singleShot(0, this, &MqttClient::complete);
}

void MqttClient::complete() {
  if (!m_finished) return;
  m_state = State::Finished;
  m_patience.stop();
  mosquitto_disconnect(m_mosq);
  mosquitto_loop_write(m_mosq, 1);
  unwatchSocket();
  std::exchange(m_finished, {})();
}

void MqttClient::finish(std::chrono::milliseconds patience, std::function<void()> done) {
  m_retry.stop();
  if (!connected()) {
    m_state = State::Finished;
    unwatchSocket();
    done();
    return;
  }
  m_finished = std::move(done);
  connect(&m_patience, &QTimer::timeout, this, [this] {
    m_waiting.clear();
    m_unacknowledged.clear();
    flush();
  });
  m_patience.start(patience);
  flush();
}

}  // namespace qd40::bus
