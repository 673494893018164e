// Implements the projector's command table and its power state machine.
#include "ProjectorModel.h"

#include <cstdio>

namespace qd40sim {
namespace {

int upperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An operation code is "C" and exactly two upper-case hexadecimal digits; lower case is
// rejected on purpose because the real device does not accept it either.
std::optional<int> operationCode(std::string_view line) {
  if (line.size() != 3 || line[0] != 'C') return std::nullopt;
  const int high = upperHexValue(line[1]);
  const int low = upperHexValue(line[2]);
  if (high < 0 || low < 0) return std::nullopt;
  return high * 16 + low;
}

std::string zeroPadded(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

enum OperationCode : int {
  kPowerOn = 0x00,
  kPowerOff = 0x01,
  kInput1 = 0x05,
  kInput2 = 0x06,
  kInput3 = 0x07,
  kAudioMuteOn = 0x0B,
  kAudioMuteOff = 0x0C,
  kVideoMuteOn = 0x0D,
  kVideoMuteOff = 0x0E,
};

}  // namespace

ProjectorModel::ProjectorModel(ModelSettings settings) : m_settings(settings) {}

std::string ProjectorModel::reply(std::string_view line, Clock::time_point now) {
  advance(now);
  if (const auto code = operationCode(line)) {
    operate(*code, now);
    return std::string(1, kAck);
  }
  if (auto text = status(line)) {
    text->push_back(kCr);
    return *text;
  }
  return {kNak, kCr};
}

PowerState ProjectorModel::powerState(Clock::time_point now) {
  advance(now);
  return m_power;
}

// Transitions happen lazily when the model is next asked, so no timer is needed and a test
// can jump the clock past the end of a phase.
void ProjectorModel::advance(Clock::time_point now) {
  if (now < m_phaseEnd) return;
  if (m_power == PowerState::kWarmingUp) m_power = PowerState::kOn;
  if (m_power == PowerState::kCoolingDown) m_power = PowerState::kStandby;
}

// Input and mute changes are accepted in every power state so the panel can prepare them
// while the lamp warms up; power codes only act from the state they are meant for.
void ProjectorModel::operate(int code, Clock::time_point now) {
  switch (code) {
    case kPowerOn:
      if (m_power == PowerState::kStandby) {
        m_power = PowerState::kWarmingUp;
        m_phaseEnd = now + m_settings.countdown;
      }
      break;
    case kPowerOff:
      if (m_power == PowerState::kOn) {
        m_power = PowerState::kCoolingDown;
        m_phaseEnd = now + m_settings.cooldown;
      }
      break;
    case kInput1:
    case kInput2:
    case kInput3:
      m_input = code - kInput1 + 1;
      break;
    case kAudioMuteOn:
    case kAudioMuteOff:
      m_audioMute = code == kAudioMuteOn;
      break;
    case kVideoMuteOn:
    case kVideoMuteOff:
      m_videoMute = code == kVideoMuteOn;
      break;
    default:
      break;
  }
}

std::optional<std::string> ProjectorModel::status(std::string_view line) const {
  if (line == "CR0") return powerCode();
  if (line == "CR1") return std::to_string(m_input);
  if (line == "CR3") return zeroPadded(m_settings.lampHours, 5);
  if (line == "CR4") return "11";
  if (line == "CR6") return std::string(kTemperatures);
  if (line == "CR7") return "01";
  if (line == "CR9") return std::string(kIdentification);
  if (line == "CRA") return muteAndSignalCode();
  if (line == "CR PRESSURE") return zeroPadded(m_settings.pressure, 4);
  return std::nullopt;
}

std::string ProjectorModel::powerCode() const {
  switch (m_power) {
    case PowerState::kStandby:
      return "80";
    case PowerState::kWarmingUp:
      return "40";
    case PowerState::kOn:
      return "00";
    case PowerState::kCoolingDown:
      return "20";
  }
  return "80";
}

std::string ProjectorModel::muteAndSignalCode() const {
  if (m_power == PowerState::kStandby) return "FF";
  if (m_power == PowerState::kOn && m_settings.noSignal) return "80";
  const int bits = (m_videoMute ? 1 : 0) | (m_audioMute ? 2 : 0);
  return std::string("0") + static_cast<char>('0' + bits);
}

}  // namespace qd40sim
