#pragma once
// One projector on the bus: its port, its status polled every interval and
// at once after each command, and the commands the bus sends it. A command
// goes out now or not at all: it waits at most for the line's current
// exchange (its reply window and a second more), and a lost port or a
// silent projector refuses it at once, so nothing is sent minutes after it
// was asked for. Values, availability and refusals go to the node's sinks;
// it knows nothing of MQTT.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bus/CtlLink.h"
#include "bus/StatusValues.h"

namespace qd40::bus {

struct NodeSinks {
  // A state topic under the projector and its value ("availability" too).
  std::function<void(const std::string& topic, const std::string& value)> state;
  // Why a command was refused or failed.
  std::function<void(const std::string& why)> error;
  // What the port's services tell while it stays in use, and why it failed.
  std::function<void(const std::string& why)> notice;
};

class ProjectorNode final : public QObject {
  Q_OBJECT

 public:
  ProjectorNode(std::string id, std::string path, std::string settings,
                std::chrono::milliseconds interval, NodeSinks sinks, QObject* parent = nullptr);
  ~ProjectorNode() override;

  const std::string& id() const { return m_id; }
  void start();
  void stop();
  // `what` names the command in messages ("power ON").
  void command(LineStep step, std::string what);

 private:
  struct Waiting {
    LineStep step;
    std::string what;
    std::chrono::steady_clock::time_point deadline;
  };

  void open();
  void opened(bool ok, const std::string& why);
  void pollRound();
  void readNext();
  void roundDone(bool answered);
  void next();
  void send(Waiting command);
  void refuseExpired();
  void setAvailable(bool online);
  void portGone(const std::string& why);

  std::string m_id;
  std::string m_path;
  std::string m_settings;
  std::chrono::milliseconds m_interval;
  NodeSinks m_sinks;
  std::unique_ptr<LineExchange> m_exchange;
  enum class Port { Closed, Opening, Open } m_port = Port::Closed;
  bool m_busy = false;
  std::chrono::steady_clock::time_point m_lineFreeBy;
  std::vector<ReadStep> m_reads;
  std::size_t m_nextRead = 0;
  bool m_roundAnswered = false;
  bool m_roundDue = false;
  int m_silentRounds = 0;
  bool m_silent = false;
  std::deque<Waiting> m_waiting;
  QTimer m_poll;
  QTimer m_deadline;
  std::string m_portTrouble;
};

}  // namespace qd40::bus
