#pragma once
// The exchange with one projector: its port opened through the panel's own
// serial services (a device, socket:// or rfc2217://, with the panel's locks
// and port messages), one line sent at a time, and everything received in
// the reply window gathered, shown as the panel's line monitor shows it and
// decoded as the panel decodes it. It knows nothing of actions or output.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "protocol/Monitor.h"
#include "protocol/Text.h"
#include "serial/PortConfig.h"
#include "serial/QtSerialService.h"
#include "serial/SerialRouter.h"
#include "serial/TcpSerialService.h"

namespace qd40::ctl {

// What one line brought back.
struct LineResult {
  std::string code;                 // the line without its carriage return
  std::string reply;                // the bytes received in the window, as they came
  std::string monitor;              // the reply as the RXD monitor shows it
  std::optional<std::string> text;  // what the status label would show
  bool statusQuery = false;         // the line was a status read the panel decodes
  std::string error;                // why the line could not go out or the port went

  bool answered() const { return !reply.empty(); }
  // A reply the panel reads: any reply, and for a status read one it decodes.
  bool understood() const { return answered() && (!statusQuery || text.has_value()); }
};

class Exchange final : public QObject {
  Q_OBJECT

 public:
  // COM1 of `ports` is the projector's port; `settings` is the panel's
  // "19200,N,8,1" or "9600,N,8,1".
  Exchange(PortConfig ports, std::string settings, QObject* parent = nullptr);
  ~Exchange() override;

  // Opens the port and reports once it carries bytes, or why it cannot.
  void open(std::function<void(const PortStatus&)> done);
  // Sends `line` and reports what came back when `windowMs` have passed.
  void send(const Text& line, std::string code, int windowMs,
            std::function<void(const LineResult&)> done);
  void close();
  // The port was lost after it opened; nothing more can be sent.
  bool lost() const { return !m_lostWhy.empty(); }
  const std::string& lostWhy() const { return m_lostWhy; }

  // Tells what the port's services report while the port stays in use
  // (another program reading its replies, a speed the server cannot set).
  void setNoticeHandler(std::function<void(const std::string&)> onNotice) {
    m_onNotice = std::move(onNotice);
  }

 private:
  void onComm();
  void onLost(const std::string& why);
  void onConnected();
  void windowClosed();

  PortConfig m_ports;
  std::string m_settings;
  QtSerialService m_device;
  TcpSerialService m_network;
  SerialRouter m_router;
  QTimer m_window;
  RxBuffer m_rx;
  LineResult m_result;
  Text m_line;
  std::function<void(const PortStatus&)> m_opened;
  std::function<void(const LineResult&)> m_done;
  std::function<void(const std::string&)> m_onNotice;
  std::string m_lostWhy;
};

}  // namespace qd40::ctl
