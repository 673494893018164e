#pragma once
// The serial-port service the panel talks through: port number, line settings,
// open and close, write, read and a receive notification. The real one runs
// over Qt SerialPort; tests use one that records writes on a virtual clock.
#include <cstdint>
#include <functional>
#include <string>

namespace qd40 {

// A result that carries the service's description of what went wrong.
struct PortStatus {
  bool ok = true;
  std::string description;
  // A refusal because another program (or client) holds the port.
  bool held = false;

  static PortStatus success() { return {}; }
  static PortStatus failure(std::string why) { return {false, std::move(why)}; }
  explicit operator bool() const { return ok; }
};

// Whether a service may take COM<number> now: only COM1 and COM2, and only
// while the port is closed.
inline PortStatus acceptPortNumber(int number, bool portOpen) {
  if (portOpen) return PortStatus::failure("The port number cannot change while the port is open.");
  if (number < 1 || number > 2) {
    return PortStatus::failure("COM" + std::to_string(number) +
                               " is not available: the panel drives COM1 and COM2.");
  }
  return PortStatus::success();
}

// Kinds of notification, numbered as the panel's handler expects them.
enum class CommEvent : std::int16_t {
  None = 0,
  Send = 1,
  Receive = 2,
  Error = 1009,
};

class SerialService {
 public:
  virtual ~SerialService() = default;

  // Only while the port is closed.
  virtual PortStatus setCommPort(int number) = 0;
  virtual int commPort() const = 0;
  // "19200,N,8,1" or "9600,N,8,1"; an open port takes them at once.
  virtual PortStatus setSettings(const std::string& settings) = 0;
  virtual std::string settings() const = 0;

  virtual PortStatus open() = 0;
  // Closing a closed port does nothing.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // Hands the bytes to the port for transmission.
  virtual PortStatus output(const std::string& bytes) = 0;
  // All bytes received and not yet read.
  virtual std::string input() = 0;
  // The kind of the notification being delivered.
  virtual CommEvent commEvent() const = 0;

  // Called on the window's event thread when received bytes wait to be read.
  virtual void setCommHandler(std::function<void()> onComm) = 0;
  // Called once when an open port is lost (device unplugged, far end hung
  // up); the port counts as closed from then on.
  virtual void setLostHandler(std::function<void(const std::string&)> onLost) = 0;
  // Called when the open port works but something spoils it (another
  // program reads its replies); the port stays open.
  virtual void setTroubleHandler(std::function<void(const std::string&)> /*onTrouble*/) {}
  // The reply window closed with nothing, or with a reply cut short. A
  // device looks for other programs that have it open and may have taken the
  // reply, and tells of those it can see through the trouble handler.
  virtual void replyMissing() {}
  // Called with what the panel must be told about a port that stands or is
  // closed, which neither loses nor spoils it (a speed change the far end
  // cannot make, a port of the wrong kind); the port stays as it is.
  virtual void setNoticeHandler(std::function<void(const std::string&)> /*onNotice*/) {}

  // A port on the network counts as open from open() on but carries bytes
  // only once its connection stands; a device does both at once. A session
  // log tells the two moments apart through these. A lost network port is
  // tried again in the background, and the connected handler says when it
  // stands again.
  virtual bool connected() const { return isOpen(); }
  virtual void setConnectedHandler(std::function<void()> /*onConnected*/) {}
};

}  // namespace qd40
