// Reads the port names a program finds in its environment and keeps the
// operator's choice.
#include "config/SavedPorts.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>

#include "protocol/Utf8.h"

namespace qd40 {

namespace {

QString portKey(int number) {
  return QStringLiteral("ports/com%1").arg(number);
}

std::string environmentDevice(int number) {
  return qgetenv(QStringLiteral("QD40_COM%1").arg(number).toLatin1().constData()).toStdString();
}

}  // namespace

SavedPorts::SavedPorts(QString file) : m_file(std::move(file)) {}

QString SavedPorts::defaultFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/qd40/qd40-control.conf");
}

std::string SavedPorts::device(int number) const {
  const QSettings settings(m_file, QSettings::IniFormat);
  const QVariant value = settings.value(portKey(number));
  // A name that is not UTF-8 was saved as a byte array, which keeps its bytes.
  if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
  return value.toString().toStdString();
}

QString SavedPorts::save(int number, const std::string& device) const {
  QSettings settings(m_file, QSettings::IniFormat);
  if (device.empty()) {
    settings.remove(portKey(number));
  } else if (isValidUtf8(device)) {
    settings.setValue(portKey(number), QString::fromStdString(device));
  } else {
    settings.setValue(portKey(number), QByteArray::fromStdString(device));
  }
  settings.sync();
  if (settings.status() == QSettings::NoError) return {};
  return settings.status() == QSettings::AccessError
             ? QCoreApplication::translate("qd40::SavedPorts", "%1 cannot be written.").arg(m_file)
             : QCoreApplication::translate("qd40::SavedPorts",
                                           "%1 is not a settings file the panel can read.")
                   .arg(m_file);
}

PortCandidates portCandidates(int number, const std::optional<std::string>& commandLine,
                              const SavedPorts& saved) {
  return {commandLine.value_or(""), environmentDevice(number), saved.device(number)};
}

PortSetup loadPortSetup(const std::optional<std::string>& com1,
                        const std::optional<std::string>& com2, SavedPorts saved) {
  PortConfig config(portCandidates(1, com1, saved), portCandidates(2, com2, saved));
  config.setTemporaryFolder(temporaryFolder());
  return {std::move(config), std::move(saved)};
}

PortChoice configuredPort(int number, const SavedPorts& saved) {
  return resolvePort(number, portCandidates(number, std::nullopt, saved));
}

std::string temporaryFolder() {
  return qgetenv("TMPDIR").toStdString();
}

}  // namespace qd40
