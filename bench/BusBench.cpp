// qd40ctl mqtt with 100 simulated projectors on one bridge, against Debian's
// mosquitto on loopback: a command's time from its publish to its bytes on
// the projector's line, the bridge's CPU and memory while it polls every
// 30 s, and how long every state takes to come back after the broker
// restarts. Prints the figures beside their targets.
//   qd40-bus-bench QD40CTL [projectors]
#include <mosquitto.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Loopback.h"
#include "ProjectorModel.h"
#include "PtyPair.h"
#include "TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The broker, with a configuration of the bench's own and no persistence.
struct Broker {
  qd40::test::TempFolder dir{"bus-bench"};
  QProcess process;
  int port = 0;
  Broker() { ::close(qd40::test::listenOnLoopback(1, port)); }
  void start() {
    const std::string config = dir.file("mosquitto.conf");
    std::ofstream(config) << "persistence false\nlog_dest none\nlistener " << port
                          << " 127.0.0.1\nallow_anonymous true\nmax_queued_messages 100000\n";
    process.start("/usr/sbin/mosquitto", {"-c", QString::fromStdString(config)});
    process.waitForStarted(5000);
    for (int socket = -1; socket < 0; std::this_thread::sleep_for(milliseconds(5))) {
      socket = qd40::test::connectToLoopback(port);
      if (socket >= 0) ::close(socket);
      if (socket >= 0) break;
    }
  }
  void kill() {
    process.kill();
    process.waitForFinished(5000);
  }
};

// A client on its own thread that keeps the last payload of every topic.
class Watcher {
 public:
  explicit Watcher(int port) {
    m_mosq = mosquitto_new(nullptr, true, this);
    mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* self, const mosquitto_message* m) {
      auto* watcher = static_cast<Watcher*>(self);
      std::lock_guard lock(watcher->m_mutex);
      watcher->m_last[m->topic] = std::string(static_cast<const char*>(m->payload),
                                              static_cast<std::size_t>(m->payloadlen));
    });
    mosquitto_connect_callback_set(
        m_mosq, [](mosquitto* mosq, void*, int) { mosquitto_subscribe(mosq, nullptr, "#", 0); });
    mosquitto_connect(m_mosq, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_mosq);
  }
  ~Watcher() {
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
  }
  void publish(const std::string& topic, const std::string& payload) {
    mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), 0, false);
  }
  std::string last(const std::string& topic) {
    std::lock_guard lock(m_mutex);
    const auto found = m_last.find(topic);
    return found == m_last.end() ? std::string() : found->second;
  }

 private:
  mosquitto* m_mosq;
  std::mutex m_mutex;
  std::map<std::string, std::string> m_last;
};

// The projectors: one pty each, answered by the simulator's model.
struct Projectors {
  std::vector<std::unique_ptr<qd40::test::PtyPair>> ptys;
  std::vector<qd40sim::ProjectorModel> models;
  std::vector<std::string> pending;
  std::vector<Clock::time_point> lastRead;
  std::map<std::size_t, Clock::time_point> commandSent;  // projector -> publish time
  std::vector<double> latencies, idleLatencies;

  explicit Projectors(std::size_t count) : models(count), pending(count), lastRead(count) {
    for (std::size_t i = 0; i < count; ++i) ptys.push_back(std::make_unique<qd40::test::PtyPair>());
  }
  // Serves the lines for `time`.
  void serve(milliseconds time) {
    const auto end = Clock::now() + time;
    std::vector<pollfd> fds(ptys.size());
    while (Clock::now() < end) {
      for (std::size_t i = 0; i < ptys.size(); ++i) fds[i] = {ptys[i]->master(), POLLIN, 0};
      if (poll(fds.data(), fds.size(), 1) <= 0) continue;
      bool read = false;
      for (std::size_t i = 0; i < ptys.size(); ++i) {
        if (!(fds[i].revents & POLLIN)) continue;
        char buffer[512];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got <= 0) continue;
        read = true;
        pending[i].append(buffer, static_cast<std::size_t>(got));
        answer(i);
      }
      // A master whose slave nobody has open yet only reports a hang-up.
      if (!read) std::this_thread::sleep_for(milliseconds(1));
    }
  }
  void answer(std::size_t i) {
    const auto now = Clock::now();
    for (std::size_t end; (end = pending[i].find('\r')) != std::string::npos;) {
      const std::string line = pending[i].substr(0, end);
      pending[i].erase(0, end + 1);
      if (line.starts_with("CR")) lastRead[i] = now;
      if ((line == "C00" || line == "C01") && commandSent.count(i)) {
        const double ms = msBetween(commandSent[i], now);
        latencies.push_back(ms);
        commandSent.erase(i);
      }
      const std::string reply = models[i].reply(line, now);
      if (::write(ptys[i]->master(), reply.data(), reply.size()) < 0) continue;
    }
  }
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1,
                         static_cast<std::size_t>(p * (values.size() - 1) + 0.5))];
}

double cpuSeconds(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int n = 3; fields >> field; ++n) {
    if (n == 14 || n == 15) ticks += std::stod(field);
    if (n == 15) break;
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double rssMiB(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

void row(const char* what, double value, const char* unit, const char* target, bool met) {
  std::printf("%-52s %10.1f %-4s %-10s %s\n", what, value, unit, target, met ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qd40-bus-bench QD40CTL [projectors]\n");
    return 2;
  }
  QCoreApplication app(argc, argv);
  const std::size_t count = argc > 2 ? std::stoul(argv[2]) : 100;
  mosquitto_lib_init();
  Broker broker;
  broker.start();
  Projectors projectors(count);
  const std::string file = broker.dir.file("projectors");
  {
    std::ofstream out(file);
    for (std::size_t i = 0; i < count; ++i)
      out << "p" << i << " " << projectors.ptys[i]->slavePath() << "\n";
  }
  auto watcher = std::make_unique<Watcher>(broker.port);
  QProcess bridge;
  bridge.setStandardErrorFile(QString::fromStdString(broker.dir.file("bridge.err")));
  bridge.start(argv[1], {"mqtt", "--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port),
                         "--projectors", QString::fromStdString(file), "--interval", "30"});
  bridge.waitForStarted(5000);
  auto allHave = [&](const std::string& topic, const std::string& value) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::string got = watcher->last("qd40/p" + std::to_string(i) + "/" + topic);
      if (value.empty() ? got.empty() : got != value) return false;
    }
    return true;
  };
  const auto began = Clock::now();
  while (!allHave("availability", "online") && msBetween(began, Clock::now()) < 60000) {
    projectors.serve(milliseconds(50));
  }
  std::printf("bench: %zu projectors online after %.1f s\n", count,
              msBetween(began, Clock::now()) / 1000);

  // Commands, one every 100 ms round the projectors, while the polls go on.
  const int commands = 3 * static_cast<int>(count);
  int idleHits = 0;
  for (int n = 0; n < commands; ++n) {
    const std::size_t i = static_cast<std::size_t>(n) % count;
    const auto now = Clock::now();
    const bool idle = msBetween(projectors.lastRead[i], now) > 2500;
    const std::size_t before = projectors.latencies.size();
    projectors.commandSent[i] = now;
    watcher->publish("qd40/p" + std::to_string(i) + "/power/set", n % 2 ? "OFF" : "ON");
    projectors.serve(milliseconds(100));
    for (int wait = 0; projectors.latencies.size() == before && wait < 40; ++wait) {
      projectors.serve(milliseconds(50));
    }
    if (projectors.latencies.size() > before && idle) {
      projectors.idleLatencies.push_back(projectors.latencies.back());
      ++idleHits;
    }
  }
  std::printf("bench: %zu of %d commands reached the line, %d found it idle\n",
              projectors.latencies.size(), commands, idleHits);

  // The bridge at rest: a 30 s poll interval, measured over two of them.
  projectors.serve(milliseconds(10000));
  const double cpuBefore = cpuSeconds(bridge.processId());
  const auto cpuBegan = Clock::now();
  projectors.serve(milliseconds(60000));
  const double cpuShare = (cpuSeconds(bridge.processId()) - cpuBefore) /
                          (msBetween(cpuBegan, Clock::now()) / 1000) * 100;
  const double rss = rssMiB(bridge.processId());

  // The broker restarts and forgets everything.
  watcher.reset();
  broker.kill();
  projectors.serve(milliseconds(1000));
  broker.start();
  const auto restarted = Clock::now();
  watcher = std::make_unique<Watcher>(broker.port);
  while (
      !(allHave("power", "") && allHave("availability", "online") && allHave("lamp_hours", "")) &&
      msBetween(restarted, Clock::now()) < 30000) {
    projectors.serve(milliseconds(10));
  }
  const double back = msBetween(restarted, Clock::now());
  bool configs = true;
  for (std::size_t i = 0; i < count; ++i) {
    configs =
        configs &&
        !watcher->last("homeassistant/switch/qd40_p" + std::to_string(i) + "/power/config").empty();
  }

  std::printf("\n%-52s %10s %-4s %-10s\n", "figure", "value", "", "target");
  const double p99 = percentile(projectors.latencies, 0.99);
  row("command publish -> bytes on pty, p50", percentile(projectors.latencies, 0.5), "ms", "",
      true);
  row("command publish -> bytes on pty, p99", p99, "ms", "< 50", p99 < 50);
  row("  of the commands that found the line idle, p99", percentile(projectors.idleLatencies, 0.99),
      "ms", "< 50", percentile(projectors.idleLatencies, 0.99) < 50);
  row("CPU at a 30 s interval", cpuShare, "%", "< 2", cpuShare < 2);
  row("resident memory", rss, "MiB", "< 40", rss < 40);
  row("every state back after a broker restart", back, "ms", "< 5000", back < 5000 && configs);
  bridge.terminate();
  bridge.waitForFinished(5000);
  return 0;
}
