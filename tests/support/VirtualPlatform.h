#pragma once
// The panel's platform on a virtual clock: timers that fire in deadline order
// as the test moves time on, a window that keeps captions and heights, and a
// serial service that records each write with its virtual time and lets the
// test deliver received bytes. No sleeps, no event loop.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "line/SerialService.h"
#include "toolkit/Toolkit.h"

namespace qd40::test {

class VirtualClock;

class VirtualTimer final : public Timer {
 public:
  VirtualTimer(VirtualClock& clock, int interval) : m_clock(clock), m_interval(interval) {}
  void setInterval(int ms) override;
  int interval() const override { return m_interval; }
  void setEnabled(bool enabled) override;
  bool isEnabled() const override { return m_enabled; }
  void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }

  std::int64_t deadline() const { return m_deadline; }
  std::uint64_t order() const { return m_order; }
  void fire();

 private:
  void arm();

  VirtualClock& m_clock;
  int m_interval;
  bool m_enabled = false;
  std::int64_t m_deadline = 0;
  std::uint64_t m_order = 0;
  std::function<void()> m_onTick;
};

class VirtualClock final {
 public:
  std::int64_t now() const { return m_now; }
  VirtualTimer& makeTimer(int interval);
  // Fires every timer that falls due up to now + ms, in deadline order (ties
  // in the order they were armed), moving the clock to each deadline.
  void advance(std::int64_t ms);
  std::uint64_t nextOrder() { return ++m_order; }

 private:
  std::int64_t m_now = 0;
  std::uint64_t m_order = 0;
  std::vector<std::unique_ptr<VirtualTimer>> m_timers;
};

class FakeWindow final : public Window {
 public:
  void setCaption(Control control, const std::string& text) override;
  std::string caption(Control control) const override;
  // The caption without a copy, for checks that read long ones often.
  const std::string& captionText(Control control) const;
  void appendCaption(Control control, std::string_view added) override;
  std::uint64_t captionWrites(Control control) const override;
  void setVisible(Control control, bool visible) override { m_visible[control] = visible; }
  bool isVisible(Control control) const override;
  void setMarked(Control option, bool marked) override;
  bool isMarked(Control option) const;
  int height() const override { return m_height; }
  void setHeight(int twips) override { m_height = twips; }
  int width() const override { return 9615; }
  void move(double left, double top) override { m_left = left, m_top = top; }
  ScreenSize screenSize() const override { return {28800, 16200}; }
  void messageBox(const std::string& text) override;
  void showPortProblem(const std::string& text) override;
  void closePortProblem() override { m_portBoxOpen = false; }
  void writeError(const std::string& text) override { m_errors.push_back(text); }
  void close() override { m_closed = true; }

  // Bytes of caption text handed to the window so far, all controls together.
  std::size_t captionBytes() const { return m_captionBytes; }
  double left() const { return m_left; }
  double top() const { return m_top; }
  bool closed() const { return m_closed; }
  const std::vector<std::string>& messages() const { return m_messages; }
  // Every text the port box was shown with, and whether it is open now.
  const std::vector<std::string>& portProblems() const { return m_portProblems; }
  bool portBoxOpen() const { return m_portBoxOpen; }
  // Every line written to the standard error.
  const std::vector<std::string>& errors() const { return m_errors; }
  // Runs while the modal box is open, as events would on the real window.
  std::function<void()> whileMessageBoxOpen;

 private:
  std::map<Control, std::string> m_captions;
  std::map<Control, std::uint64_t> m_captionWrites;
  std::size_t m_captionBytes = 0;
  std::map<Control, bool> m_visible;
  std::map<Control, bool> m_marked;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_portProblems;
  std::vector<std::string> m_errors;
  bool m_portBoxOpen = false;
  int m_height = 9100;
  double m_left = 0, m_top = 0;
  bool m_closed = false;
};

class FakeSerial final : public SerialService {
 public:
  explicit FakeSerial(const VirtualClock& clock) : m_clock(clock) {}

  PortStatus setCommPort(int number) override;
  int commPort() const override { return m_number; }
  PortStatus setSettings(const std::string& settings) override;
  std::string settings() const override { return m_settings; }
  PortStatus open() override;
  void close() override;
  bool isOpen() const override { return m_open; }
  PortStatus output(const std::string& bytes) override;
  std::string input() override;
  CommEvent commEvent() const override { return m_event; }
  void setCommHandler(std::function<void()> onComm) override { m_onComm = std::move(onComm); }
  void setLostHandler(std::function<void(const std::string&)> onLost) override {
    m_onLost = std::move(onLost);
  }
  void setTroubleHandler(std::function<void(const std::string&)> onTrouble) override {
    m_onTrouble = std::move(onTrouble);
  }
  void replyMissing() override { ++repliesMissing; }

  // Test controls.
  void receive(const std::string& bytes);
  void raise(CommEvent event);
  void lose(const std::string& why);
  // A trouble on the open port, which stays open.
  void warn(const std::string& why) { m_onTrouble(why); }
  // What the next failed open says about port `number`.
  void setFailure(int number, const std::string& why) { m_failures[number] = why; }
  void setPresent(int number, bool present) { m_present[number] = present; }

  struct Write {
    std::int64_t at;
    std::string bytes;
  };
  const std::vector<Write>& writes() const { return m_writes; }
  void clearWrites() { m_writes.clear(); }
  std::vector<std::string> log;  // "close", "port 1", "open", "settings ..."
  int repliesMissing = 0;        // reply windows closed without a whole reply

 private:
  const VirtualClock& m_clock;
  std::map<int, bool> m_present{{1, true}, {2, true}};
  int m_number = 1;
  std::string m_settings;
  bool m_open = false;
  std::string m_waiting;
  CommEvent m_event = CommEvent::None;
  std::vector<Write> m_writes;
  std::function<void()> m_onComm;
  std::function<void(const std::string&)> m_onLost;
  std::function<void(const std::string&)> m_onTrouble;
  std::map<int, std::string> m_failures;
};

}  // namespace qd40::test
