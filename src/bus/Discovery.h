#pragma once
// Home Assistant's MQTT discovery for one projector: the retained configs
// that make it a device with a power switch, an input select, sensors and
// buttons, each tied to the projector's topics and available only while
// both the bridge and the projector are. Ids come from the projector's id
// alone, so they stay the same whatever port it moves to. It builds
// messages; publishing is the bridge's.
#include <string>
#include <vector>

namespace qd40::bus {

struct Retained {
  std::string topic;
  std::string payload;
};

// The topics of the bridge and its projectors.
inline constexpr std::string_view kTopicRoot = "qd40";
inline constexpr std::string_view kBridgeState = "qd40/bridge/state";
inline constexpr std::string_view kOnline = "online";
inline constexpr std::string_view kOffline = "offline";

std::string projectorTopic(const std::string& id, std::string_view sub);

// The configs under `prefix` ("homeassistant") for projector `id`.
std::vector<Retained> discoveryConfigs(const std::string& prefix, const std::string& id);

// Every retained topic the bridge keeps for `id`, each with an empty
// payload, which makes the broker forget it.
std::vector<Retained> forgetMessages(const std::string& prefix, const std::string& id);

}  // namespace qd40::bus
