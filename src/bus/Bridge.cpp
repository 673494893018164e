// Wiring the projectors to the broker.
#include "bus/Bridge.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "bus/BusCommands.h"
#include "bus/Discovery.h"
#include "toolkit/SignalWatcher.h"

namespace qd40::bus {

namespace {

// How long the last messages get to reach the broker when the bridge ends.
constexpr std::chrono::milliseconds kFarewell{2000};
// How long --forget waits for the broker before it gives up.
constexpr std::chrono::milliseconds kForgetPatience{10000};
constexpr int kExitCannotConnect = 3;

void say(const std::string& line) {
  std::fputs(("qd40ctl mqtt: " + line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

BrokerSettings withWill(BrokerSettings broker) {
  broker.willTopic = std::string(kBridgeState);
  broker.willPayload = std::string(kOffline);
  return broker;
}

// "qd40/<id>/<action>/set" into its id and action.
bool commandTopic(const std::string& topic, std::string& id, std::string& action) {
  const std::string root = std::string(kTopicRoot) + "/";
  if (!topic.starts_with(root) || !topic.ends_with("/set")) return false;
  const std::string middle = topic.substr(root.size(), topic.size() - root.size() - 4);
  const auto slash = middle.find('/');
  if (slash == std::string::npos) return false;
  id = middle.substr(0, slash);
  action = middle.substr(slash + 1);
  return true;
}

}  // namespace

Bridge::Bridge(BridgeOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_client(withWill(m_options.broker)) {
  for (const ProjectorEntry& entry : m_options.projectors) {
    const std::string id = entry.id;
    NodeSinks sinks{[this, id](const std::string& topic, const std::string& value) {
                      setState(id, topic, value);
                    },
                    [this, id](const std::string& why) { refuse(id, why); },
                    [](const std::string& why) { say(why); }};
    m_nodes.push_back(std::make_unique<ProjectorNode>(id, entry.path, m_options.settings,
                                                      m_options.interval, std::move(sinks)));
  }
  m_client.setConnectedHandler([this] { connected(); });
  m_client.setTroubleHandler([](const std::string& why) { say(why); });
  m_client.setMessageHandler([this](const std::string& topic, const std::string& payload,
                                    bool retained) { message(topic, payload, retained); });
}

Bridge::~Bridge() = default;

void Bridge::start() {
  for (const auto& node : m_nodes) {
    m_client.subscribe(projectorTopic(node->id(), "+/set"));
  }
  m_client.subscribe(m_options.discoveryPrefix + "/status");
  m_client.start();
  for (const auto& node : m_nodes) node->start();
}

void Bridge::connected() {
  say("connected to " + m_options.broker.host + " port " + std::to_string(m_options.broker.port));
  publishAll();
}

void Bridge::publishAll() {
  m_client.publish(std::string(kBridgeState), std::string(kOnline), true);
  for (const auto& node : m_nodes) {
    for (const Retained& config : discoveryConfigs(m_options.discoveryPrefix, node->id())) {
      m_client.publish(config.topic, config.payload, true);
    }
  }
  for (const auto& [topic, value] : m_retained) m_client.publish(topic, value, true);
}

void Bridge::setState(const std::string& id, const std::string& topic, const std::string& value) {
  const std::string full = projectorTopic(id, topic);
  auto [held, added] = m_retained.try_emplace(full, value);
  if (!added && held->second == value) return;
  held->second = value;
  m_client.publish(full, value, true);
}

void Bridge::refuse(const std::string& id, const std::string& why) {
  say(id + ": " + why);
  m_client.publish(projectorTopic(id, "error"), why, false);
}

void Bridge::message(const std::string& topic, const std::string& payload, bool retained) {
  if (topic == m_options.discoveryPrefix + "/status") {
    if (payload == kOnline) publishAll();
    return;
  }
  std::string id, action;
  if (!commandTopic(topic, id, action)) return;
  const auto node = std::ranges::find(m_nodes, id, &ProjectorNode::id);
  if (node == m_nodes.end()) return;
  // A command the broker kept would be given again at every connection,
  // long after it was meant: only a live message is a command.
  if (retained) {
    refuse(id,
           action + " refused: a retained command is never acted on (publish it without retain)");
    return;
  }
  // A command waits for its reply as it would sent alone by qd40ctl.
  ReplyWindows windows;
  CommandOrRefusal command = readCommand(action, payload, m_options.allowRaw, windows);
  if (const auto* refusal = std::get_if<Refusal>(&command)) {
    refuse(id, refusal->why);
    return;
  }
  (*node)->command(std::get<LineStep>(std::move(command)), action + " " + payload);
}

void Bridge::stop(std::function<void()> done) {
  for (const auto& node : m_nodes) node->stop();
  m_client.publish(std::string(kBridgeState), std::string(kOffline), true);
  m_client.finish(kFarewell, std::move(done));
}

Forgetting::Forgetting(BridgeOptions options, std::function<void(int)> done, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_client(m_options.broker),
      m_done(std::move(done)) {}

void Forgetting::start() {
  m_client.setTroubleHandler([](const std::string& why) { say(why); });
  m_client.setConnectedHandler([this] {
    for (const std::string& id : m_options.forget) {
      for (const Retained& message : forgetMessages(m_options.discoveryPrefix, id)) {
        m_client.publish(message.topic, message.payload, true);
      }
      say("forgot " + id);
    }
    m_client.finish(kForgetPatience, [this] { m_done(0); });
  });
  QTimer::singleShot(kForgetPatience, this, [this] {
    if (m_client.connected()) return;
    say("the broker could not be reached; nothing was forgotten");
    m_done(kExitCannotConnect);
  });
  m_client.start();
}

int runBridge(int& argc, char** argv, const std::vector<std::string>& arguments) {
  const BridgeCommandLine line = parseBridgeCommandLine(arguments);
  std::fputs(line.out.c_str(), stdout);
  std::fputs(line.err.c_str(), stderr);
  if (!line.run) return line.exitCode;
  QCoreApplication app(argc, argv);  // argc counts the program's name alone
  app.setApplicationName("qd40ctl");
  if (!line.options.forget.empty()) {
    Forgetting forgetting(line.options, [](int status) { QCoreApplication::exit(status); });
    forgetting.start();
    return app.exec();
  }
  Bridge bridge(line.options);
  SignalWatcher watcher([&bridge] { bridge.stop([] { QCoreApplication::exit(0); }); });
  bridge.start();
  return app.exec();
}

}  // namespace qd40::bus
