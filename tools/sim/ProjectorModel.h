// The simulated projector's state and its answer to each command line. It only decides what
// to answer; reading the line, delivering the answer and logging are left to the caller, which
// also passes in the current time so the warm-up and cool-down can be driven without waiting.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace qd40sim {

using Clock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kDefaultCountdown{3000};
inline constexpr std::chrono::milliseconds kDefaultCooldown{3000};
inline constexpr int kDefaultLampHours = 1234;
inline constexpr int kMaxLampHours = 99999;
inline constexpr int kDefaultPressure = 512;
inline constexpr int kMaxPressure = 9999;

inline constexpr char kAck = '\x06';
inline constexpr char kNak = '\x15';
inline constexpr char kCr = '\r';

inline constexpr std::string_view kIdentification = "QD40SIM 1.0";
inline constexpr std::string_view kTemperatures = "035.5C,42.0,038.2";

enum class PowerState { kStandby, kWarmingUp, kOn, kCoolingDown };

struct ModelSettings {
  std::chrono::milliseconds countdown = kDefaultCountdown;
  std::chrono::milliseconds cooldown = kDefaultCooldown;
  int lampHours = kDefaultLampHours;
  int pressure = kDefaultPressure;
  bool noSignal = false;
};

class ProjectorModel {
 public:
  explicit ProjectorModel(ModelSettings settings = {});

  // Returns the exact bytes to send back for one received line (without its CR): ACK for an
  // operation code, the status text plus CR for a status read, NAK plus CR for anything else.
  std::string reply(std::string_view line, Clock::time_point now);

  PowerState powerState(Clock::time_point now);
  int input() const { return m_input; }
  bool videoMuted() const { return m_videoMute; }
  bool audioMuted() const { return m_audioMute; }

 private:
  void advance(Clock::time_point now);
  void operate(int code, Clock::time_point now);
  std::optional<std::string> status(std::string_view line) const;
  std::string powerCode() const;
  std::string muteAndSignalCode() const;

  ModelSettings m_settings;
  PowerState m_power = PowerState::kStandby;
  Clock::time_point m_phaseEnd{};
  int m_input = 1;
  bool m_videoMute = false;
  bool m_audioMute = false;
};

}  // namespace qd40sim
