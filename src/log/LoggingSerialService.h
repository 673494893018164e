#pragma once
// Wraps the panel's serial service and writes the session log: one line per
// event, with the port ("COM1 (/dev/ttyUSB0)"), and TX or RX with the bytes,
// or what became of the port (connecting, opened, closed, lost, failed) with
// the reason. Bytes beyond a few hundred go on further lines, marked "TX
// (continued)" or "RX (continued)". Everything else passes through unchanged.
#include <string_view>

#include "config/PortConfig.h"
#include "line/SerialService.h"
#include "log/SessionLog.h"

namespace qd40 {

// The first line of every log file: the program, its version and process,
// and the devices COM1 and COM2 stand for. Two panels cannot hold one device,
// so in a log both write to, each one's lines are told apart by the ports
// its header names.
std::string sessionHeader(std::string_view program, std::string_view version,
                          const PortConfig& ports);

class LoggingSerialService final : public SerialService {
 public:
  LoggingSerialService(SerialService& inner, SessionLog& log, const PortConfig& ports);
  LoggingSerialService(const LoggingSerialService&) = delete;
  LoggingSerialService& operator=(const LoggingSerialService&) = delete;
  ~LoggingSerialService() override;

  PortStatus setCommPort(int number) override { return m_inner.setCommPort(number); }
  int commPort() const override { return m_inner.commPort(); }
  PortStatus setSettings(const std::string& settings) override {
    return m_inner.setSettings(settings);
  }
  std::string settings() const override { return m_inner.settings(); }
  PortStatus open() override;
  void close() override;
  bool isOpen() const override { return m_inner.isOpen(); }
  PortStatus output(const std::string& bytes) override;
  std::string input() override;
  CommEvent commEvent() const override { return m_inner.commEvent(); }
  void setCommHandler(std::function<void()> onComm) override {
    m_inner.setCommHandler(std::move(onComm));
  }
  void setLostHandler(std::function<void(const std::string&)> onLost) override;
  void setTroubleHandler(std::function<void(const std::string&)> onTrouble) override {
    m_inner.setTroubleHandler(std::move(onTrouble));
  }
  void replyMissing() override { m_inner.replyMissing(); }
  void setNoticeHandler(std::function<void(const std::string&)> onNotice) override;
  bool connected() const override { return m_inner.connected(); }
  void setConnectedHandler(std::function<void()> onConnected) override {
    m_onConnected = std::move(onConnected);
  }

 private:
  void log(const std::string& event);
  void logRepeats();
  void logBytes(LogEntryKind kind, std::string_view bytes);
  // The reason without the port's name in front, which the line already has.
  std::string reason(const std::string& description) const;

  SerialService& m_inner;
  SessionLog& m_log;
  const PortConfig& m_ports;
  // Whether the port stood open, so that its end reads "lost" and the end of
  // an attempt that never got there reads "failed".
  bool m_stood = false;
  std::function<void()> m_onConnected;
  std::string m_lastFailure;  // the line of the failure just logged, if the last line was one
  int m_repeats = 0;          // the same failure since, not logged
};

}  // namespace qd40
