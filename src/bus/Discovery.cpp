// The discovery configs, as JSON.
#include "bus/Discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cctype>

#include "Version.h"
#include "bus/BusCommands.h"
#include "bus/StatusValues.h"
#include "protocol/Catalogue.h"

namespace qd40::bus {

namespace {

struct SensorRow {
  std::string_view object;  // the config's object id
  std::string_view topic;   // the state topic under the projector
  std::string_view name;
  std::string_view unit;         // empty for none
  std::string_view deviceClass;  // empty for none
  std::string_view stateClass;   // empty for none
};

// clang-format off
constexpr std::array kSensors = {
    SensorRow{"lamp_hours", "lamp_hours", "Lamp hours", "h", "duration", "total_increasing"},
    SensorRow{"temperature_1", "temperature/1", "Temperature 1", "°C", "temperature", "measurement"},
    SensorRow{"temperature_2", "temperature/2", "Temperature 2", "°C", "temperature", "measurement"},
    SensorRow{"temperature_3", "temperature/3", "Temperature 3", "°C", "temperature", "measurement"},
    SensorRow{"pressure", "pressure", "Pressure", "hPa", "pressure", "measurement"},
    SensorRow{"status", "status", "Status", "", "", ""},
    SensorRow{"lamp_mode", "lamp_mode", "Lamp mode", "", "", ""},
};
// clang-format on

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string objectName(std::string_view action) {
  std::string name(action);
  if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  for (char& c : name) c = c == '_' ? ' ' : c;
  return name;
}

QJsonObject base(const std::string& id, std::string_view object, std::string_view name) {
  const QString uid = q("qd40_" + id);
  return {
      {"name", q(name)},
      {"unique_id", uid + "_" + q(object)},
      {"object_id", uid + "_" + q(object)},
      {"availability", QJsonArray{QJsonObject{{"topic", q(kBridgeState)}},
                                  QJsonObject{{"topic", q(projectorTopic(id, "availability"))}}}},
      {"availability_mode", "all"},
      {"payload_available", q(kOnline)},
      {"payload_not_available", q(kOffline)},
      {"device", QJsonObject{{"identifiers", QJsonArray{uid}},
                             {"name", "QD40 " + q(id)},
                             {"manufacturer", "ORVEN"},
                             {"model", "QD40"},
                             {"sw_version", q(kVersion)}}},
  };
}

// An entity that takes commands on its topic and shows the state there.
QJsonObject stateful(const std::string& id, std::string_view topic) {
  QJsonObject entity = base(id, topic, objectName(topic));
  entity["command_topic"] = q(projectorTopic(id, std::string(topic) + "/set"));
  entity["state_topic"] = q(projectorTopic(id, topic));
  return entity;
}

Retained config(const std::string& prefix, std::string_view component, const std::string& id,
                std::string_view object, const QJsonObject& json) {
  return {
      prefix + "/" + std::string(component) + "/qd40_" + id + "/" + std::string(object) + "/config",
      QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString()};
}

}  // namespace

std::string projectorTopic(const std::string& id, std::string_view sub) {
  return std::string(kTopicRoot) + "/" + id + "/" + std::string(sub);
}

std::vector<Retained> discoveryConfigs(const std::string& prefix, const std::string& id) {
  std::vector<Retained> configs;
  // The switch's topic is its commands' and its state's: the power read
  // publishes the same two payloads.
  const BusEntity on = actionRow(ActionRole::PowerOn).bus;
  QJsonObject power = stateful(id, on.topic);
  power["payload_on"] = q(on.payload);
  power["payload_off"] = q(actionRow(ActionRole::PowerOff).bus.payload);
  configs.push_back(config(prefix, "switch", id, on.topic, power));

  const std::string_view inputTopic = actionRow(ActionRole::InputPc1).bus.topic;
  QJsonObject input = stateful(id, inputTopic);
  QJsonArray options;
  for (const ActionRow& row : kCatalogue) {
    if (row.bus.offer == BusOffer::Select) options.append(q(row.bus.payload));
  }
  input["options"] = options;
  configs.push_back(config(prefix, "select", id, inputTopic, input));

  for (const SensorRow& row : kSensors) {
    QJsonObject sensor = base(id, row.object, row.name);
    sensor["state_topic"] = q(projectorTopic(id, row.topic));
    if (!row.unit.empty()) sensor["unit_of_measurement"] = q(row.unit);
    if (!row.deviceClass.empty()) sensor["device_class"] = q(row.deviceClass);
    if (!row.stateClass.empty()) sensor["state_class"] = q(row.stateClass);
    configs.push_back(config(prefix, "sensor", id, row.object, sensor));
  }

  for (const ActionRow& row : kCatalogue) {
    if (row.bus.offer != BusOffer::Button) continue;
    QJsonObject button = base(id, row.bus.topic, objectName(row.bus.topic));
    button["command_topic"] = q(projectorTopic(id, std::string(row.bus.topic) + "/set"));
    button["payload_press"] = q(row.bus.payload);
    configs.push_back(config(prefix, "button", id, row.bus.topic, button));
  }
  return configs;
}

std::vector<Retained> forgetMessages(const std::string& prefix, const std::string& id) {
  std::vector<Retained> messages;
  for (Retained& config : discoveryConfigs(prefix, id)) messages.push_back({config.topic, {}});
  for (const std::string& topic : stateTopics())
    messages.push_back({projectorTopic(id, topic), {}});
  messages.push_back({projectorTopic(id, "availability"), {}});
  return messages;
}

}  // namespace qd40::bus
