// Reads the port names a program finds in its environment and keeps the
// operator's choice.
#include "config/SavedPorts.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "config/SettingsFile.h"
#include "protocol/LogText.h"
#include "protocol/TemporaryFolder.h"
#include "protocol/Utf8.h"

namespace qd40 {

namespace {

const QString kGroup = QStringLiteral("ports");

QString portKey(int number) {
  return QStringLiteral("com%1").arg(number);
}

std::string environmentDevice(int number) {
  return qgetenv(QStringLiteral("QD40_COM%1").arg(number).toLatin1().constData()).toStdString();
}

// The home folder: $HOME, else the user database's, as the shell finds it.
QString homeFolder() {
  const QString home = QFile::decodeName(qgetenv("HOME"));
  if (!home.isEmpty()) return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? QFile::decodeName(user->pw_dir) : QString();
}

}  // namespace

SavedPorts::SavedPorts(QString file) : m_file(std::move(file)) {}

QString SavedPorts::defaultFile() {
  // The XDG rules ignore a relative XDG_CONFIG_HOME as invalid.
  QString base = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
  if (!QDir::isAbsolutePath(base)) base = homeFolder() + QStringLiteral("/.config");
  return QDir::cleanPath(base + QStringLiteral("/qd40/qd40-control.conf"));
}

std::string SavedPorts::device(int number) const {
  // Only a file fit to read as settings is handed to Qt's reader, which
  // would take any text for keys and read a file of any size.
  if (readSettingsText(m_file).state != SettingsText::State::Readable) return {};
  const QSettings settings(m_file, QSettings::IniFormat);
  const QVariant value = settings.value(kGroup + QLatin1Char('/') + portKey(number));
  // A name that is not UTF-8 was saved as a byte array, which keeps its bytes.
  if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
  return value.toString().toStdString();
}

QString SavedPorts::problem() const {
  const SettingsText text = readSettingsText(m_file);
  const QString file = QString::fromStdString(printablePath(m_file.toStdString()));
  switch (text.state) {
    case SettingsText::State::Missing:
    case SettingsText::State::Readable:
      return {};
    case SettingsText::State::TooLarge:
      return QCoreApplication::translate(
                 "qd40::SavedPorts",
                 "%1 is larger than %2 KiB, which no file of saved devices is, so it was not "
                 "read; it is left as it is.")
          .arg(file)
          .arg(kLargestSettingsFile / 1024);
    case SettingsText::State::NotSettings:
      return QCoreApplication::translate(
                 "qd40::SavedPorts",
                 "%1 is not a settings file the panel can read (line %2 is no setting), so it "
                 "was not used; it is left as it is.")
          .arg(file)
          .arg(text.badLine);
    case SettingsText::State::Unreadable:
      break;
  }
  return QCoreApplication::translate("qd40::SavedPorts",
                                     "%1 cannot be read, so the devices saved in it are not used.")
      .arg(file);
}

QString SavedPorts::save(int number, const std::string& device) const {
  const SettingsText text = readSettingsText(m_file);
  if (text.state != SettingsText::State::Missing && text.state != SettingsText::State::Readable) {
    return problem();
  }
  QVariant value;
  if (!device.empty()) {
    value = isValidUtf8(device) ? QVariant(QString::fromStdString(device))
                                : QVariant(QByteArray::fromStdString(device));
  }
  const QString why =
      writeSettingsText(m_file, withEntry(text.lines, kGroup, portKey(number), value));
  if (why.isEmpty()) return {};
  return QCoreApplication::translate("qd40::SavedPorts", "%1 cannot be written (%2).")
      .arg(QString::fromStdString(printablePath(m_file.toStdString())), why);
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
  const QByteArray folder = qgetenv("TMPDIR");
  return folder.isEmpty() ? std::string(kDefaultTemporaryFolder) : folder.toStdString();
}

}  // namespace qd40
