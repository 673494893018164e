#pragma once
// The exchange with one projector: its port opened through the panel's own
// serial services (a device, socket:// or rfc2217://, with the panel's locks
// and port messages), one line sent at a time, and its reply gathered, shown
// as the panel's line monitor shows it and decoded as the panel decodes it.
// A reply ends at its CR (or an operation's ACK) and a short quiet after it,
// or else when the panel's reply window closes. A reply belongs to its own
// line only: before the next line goes out, the line is left to fall quiet,
// and bytes that come between lines are discarded and named, never handed to
// the next line. It knows nothing of actions or output.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "config/PortConfig.h"
#include "line/QtSerialService.h"
#include "line/SerialRouter.h"
#include "net/TcpSerialService.h"
#include "protocol/Monitor.h"
#include "protocol/StatusReplies.h"
#include "protocol/Text.h"

namespace qd40::ctl {

// What one line brought back.
struct LineResult {
  std::string code;                 // the line without its carriage return
  std::string reply;                // the bytes received for it, as they came
  std::string monitor;              // the reply as the RXD monitor shows it
  std::optional<std::string> text;  // what the status label would show
  bool statusQuery = false;         // the line was a status read the panel decodes
  std::string error;                // why the line could not go out or the port went
  bool truncated = false;           // the reply was longer than is kept, and cut
  ReplyCheck check;                 // whether the reply is a valid answer to the code
  bool late = false;                // its reply came after its window and was discarded
  std::string discardedBefore;      // the code whose late bytes were discarded before this line
  int windowMs = 0;                 // how long the reply was awaited at most

  bool answered() const { return !reply.empty(); }
  // A valid answer to this very line: the only reply a script may trust.
  bool ok() const { return error.empty() && !late && check.valid; }
  // Why it is not ok, in a few words; empty when it is.
  std::string problem() const;
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
  // Sends `line` once the line is quiet, and reports its reply once it has
  // ended, or when `windowMs` have passed.
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
  // Tells of bytes discarded because they came between lines.
  void setDiscardHandler(std::function<void(const std::string&)> onDiscard) {
    m_onDiscard = std::move(onDiscard);
  }

 private:
  void onComm();
  void onLost(const std::string& why);
  void onConnected();
  void transmit();
  void settled();
  void endRead(bool ended);
  void reportDiscarded();

  PortConfig m_ports;
  std::string m_settings;
  QtSerialService m_device;
  TcpSerialService m_network;
  SerialRouter m_router;
  QTimer m_window;  // the panel's reply window
  QTimer m_quiet;   // the quiet after a reply's end
  QTimer m_settle;  // the wait for the line to fall quiet before a send
  RxBuffer m_rx;
  LineResult m_result;
  Text m_line;
  int m_windowMs = 0;
  // How long the last line's reply may still be on its way, and the bytes
  // that came since it ended.
  int m_graceMs = 0;
  std::string m_lastCode;
  bool m_lastEnded = true;  // the last reply reached its end in its window
  std::size_t m_discarded = 0;
  bool m_settling = false;
  std::function<void(const PortStatus&)> m_opened;
  std::function<void(const LineResult&)> m_done;
  std::function<void(const std::string&)> m_onNotice;
  std::function<void(const std::string&)> m_onDiscard;
  std::string m_lostWhy;
};

}  // namespace qd40::ctl
