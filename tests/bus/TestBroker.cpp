// The test's broker and watcher.
#include "TestBroker.h"

#include <mosquitto.h>
#include <unistd.h>

#include <QCoreApplication>
#include <fstream>

#include "Loopback.h"
#include "PtyPair.h"

namespace qd40::test {

TestBroker::TestBroker() {
  for (int* port : {&m_port, &m_watcherPort}) ::close(listenOnLoopback(1, *port));
}

TestBroker::~TestBroker() {
  kill();
}

bool TestBroker::start() {
  const std::string config = folder() + "/mosquitto.conf";
  std::ofstream(config) << "persistence false\n"
                        << "log_dest stderr\nlog_type error\n"
                        // Started as root, the broker would become the user
                        // mosquitto, who cannot read the test's private folder.
                        << "user " << (geteuid() == 0 ? "root" : "mosquitto") << "\n"
                        << "per_listener_settings true\n"
                        << "listener " << m_watcherPort << " 127.0.0.1\n"
                        << "allow_anonymous true\n"
                        << "listener " << m_port << " 127.0.0.1\n"
                        << m_extra;
  m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  m_process.start("/usr/sbin/mosquitto", {"-c", QString::fromStdString(config)});
  if (!m_process.waitForStarted(5000)) return false;
  return waitUntil(
      [this] {
        const int socket = connectToLoopback(m_watcherPort);
        if (socket < 0) return false;
        ::close(socket);
        return true;
      },
      std::chrono::milliseconds(10000));
}

void TestBroker::kill() {
  if (m_process.state() == QProcess::NotRunning) return;
  m_process.kill();
  m_process.waitForFinished(5000);
}

BusWatcher::BusWatcher(int port) {
  mosquitto_lib_init();
  m_mosq = mosquitto_new(nullptr, true, this);
  mosquitto_message_callback_set(m_mosq, &BusWatcher::onMessage);
  mosquitto_connect_callback_set(m_mosq, &BusWatcher::onConnect);
  mosquitto_connect(m_mosq, "127.0.0.1", port, 30);
  for (int i = 0; i < 100 && !m_connected; ++i) pump();
}

BusWatcher::~BusWatcher() {
  mosquitto_disconnect(m_mosq);
  mosquitto_destroy(m_mosq);
}

void BusWatcher::onConnect(mosquitto* mosq, void* self, int rc) {
  if (rc != 0) return;
  static_cast<BusWatcher*>(self)->m_connected = true;
  mosquitto_subscribe(mosq, nullptr, "#", 1);
}

void BusWatcher::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* watcher = static_cast<BusWatcher*>(self);
  const std::string payload(static_cast<const char*>(message->payload),
                            static_cast<std::size_t>(message->payloadlen));
  watcher->m_received.push_back({message->topic, payload, message->retain});
  watcher->m_last[message->topic] = payload;
}

void BusWatcher::pump(int ms) {
  mosquitto_loop(m_mosq, 1, 1);
  runFor(std::chrono::milliseconds(ms));
  mosquitto_loop(m_mosq, 0, 1);
}

void BusWatcher::publish(const std::string& topic, const std::string& payload, bool retained) {
  mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                    payload.data(), 1, retained);
  pump(1);
}

std::string BusWatcher::last(const std::string& topic) const {
  const auto found = m_last.find(topic);
  return found == m_last.end() ? std::string() : found->second;
}

}  // namespace qd40::test
