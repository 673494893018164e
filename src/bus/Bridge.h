#pragma once
// The bridge: projectors on one side, the broker on the other. It keeps the
// last value of every retained topic it owns, publishes a value only when
// it changes, and publishes everything again whenever the connection is
// made anew or Home Assistant announces itself, since either may have lost
// what it had. Commands from the bus go to their projector or are refused
// with a reason on standard error and on qd40/<id>/error.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bus/BridgeOptions.h"
#include "bus/MqttClient.h"
#include "bus/ProjectorNode.h"

namespace qd40::bus {

class Bridge final : public QObject {
  Q_OBJECT

 public:
  explicit Bridge(BridgeOptions options, QObject* parent = nullptr);
  ~Bridge() override;

  void start();
  // Says "offline" for the bridge, leaves the broker and calls `done`.
  void stop(std::function<void()> done);

 private:
  void connected();
  void message(const std::string& topic, const std::string& payload, bool retained);
  void publishAll();
  void setState(const std::string& id, const std::string& topic, const std::string& value);
  void refuse(const std::string& id, const std::string& why);

  BridgeOptions m_options;
  MqttClient m_client;
  std::vector<std::unique_ptr<ProjectorNode>> m_nodes;
  std::map<std::string, std::string> m_retained;  // topic -> the value it holds
};

// Removes the retained topics of `ids`, then calls `done` with the exit status.
class Forgetting final : public QObject {
  Q_OBJECT

 public:
  Forgetting(BridgeOptions options, std::function<void(int)> done, QObject* parent = nullptr);
  void start();

 private:
  BridgeOptions m_options;
  MqttClient m_client;
  std::function<void(int)> m_done;
};

// `qd40ctl mqtt ...`: `arguments` are those after "mqtt"; the exit status.
int runBridge(int& argc, char** argv, const std::vector<std::string>& arguments);

}  // namespace qd40::bus
