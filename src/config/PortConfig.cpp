// The devices the ports stand for, and the order in which names count.
#include "config/PortConfig.h"

namespace qd40 {

namespace {

bool isPortWithCandidates(int number) {
  return number == 1 || number == 2;
}

std::size_t slot(int number) {
  return static_cast<std::size_t>(number - 1);
}

}  // namespace

std::string defaultDevice(int number) {
  return "/dev/ttyS" + std::to_string(number - 1);
}

PortChoice resolvePort(int number, const PortCandidates& candidates) {
  if (!candidates.commandLine.empty()) return {candidates.commandLine, PortSource::CommandLine};
  if (!candidates.environment.empty()) return {candidates.environment, PortSource::Environment};
  if (!candidates.saved.empty()) return {candidates.saved, PortSource::Saved};
  return {defaultDevice(number), PortSource::Default};
}

PortConfig::PortConfig(PortCandidates com1, PortCandidates com2)
    : m_candidates{std::move(com1), std::move(com2)} {}

PortCandidates PortConfig::candidates(int number) const {
  return isPortWithCandidates(number) ? m_candidates[slot(number)] : PortCandidates{};
}

void PortConfig::setCommandLineOption(int number, std::string option) {
  if (isPortWithCandidates(number)) m_options[slot(number)] = std::move(option);
}

PortChoice PortConfig::choice(int number) const {
  if (isPortWithCandidates(number) && m_chosen[slot(number)]) {
    return {*m_chosen[slot(number)], PortSource::Saved};
  }
  return resolvePort(number, candidates(number));
}

PortIdentity PortConfig::identity(int number) const {
  const PortChoice chosen = choice(number);
  const std::string digit = std::to_string(number);
  switch (chosen.source) {
    case PortSource::CommandLine: {
      const std::string& option = isPortWithCandidates(number) ? m_options[slot(number)] : "";
      return {number, chosen.device, option.empty() ? "--com" + digit : option, m_user};
    }
    case PortSource::Environment:
      return {number, chosen.device, "QD40_COM" + digit, m_user};
    case PortSource::Saved:
    case PortSource::Default:
      break;
  }
  return {number, chosen.device, "", m_user};
}

void PortConfig::choose(int number, const std::string& device) {
  if (!isPortWithCandidates(number)) return;
  m_candidates[slot(number)].saved = device;
  if (device.empty()) {
    m_chosen[slot(number)].reset();
  } else {
    m_chosen[slot(number)] = device;
  }
}

}  // namespace qd40
