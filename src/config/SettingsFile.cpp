// Reads and edits the saved settings file line by line.
#include "config/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

namespace qd40 {

namespace {

bool isGroupLine(const QString& trimmed) {
  return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

bool isSettingsLine(const QString& line) {
  const QString trimmed = line.trimmed();
  return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) ||
         trimmed.startsWith(QLatin1Char(';')) || isGroupLine(trimmed) ||
         trimmed.indexOf(QLatin1Char('=')) > 0;
}

QString keyOf(const QString& line) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  return equals > 0 ? line.left(equals).trimmed() : QString();
}

// The line Qt's INI format writes for the entry, quoting and escaping
// included, made by Qt itself in a file of its own.
QString entryLine(const QString& key, const QVariant& value) {
  QTemporaryDir dir;
  const QString scratch = dir.filePath(QStringLiteral("entry.conf"));
  {
    QSettings settings(scratch, QSettings::IniFormat);
    settings.setValue(QStringLiteral("entry/") + key, value);
  }
  const SettingsText written = readSettingsText(scratch);
  for (const QString& line : written.lines) {
    if (keyOf(line) == key) return line;
  }
  return key + QLatin1Char('=') + value.toString();
}

}  // namespace

SettingsText readSettingsText(const QString& file) {
  SettingsText text;
  const QFileInfo info(file);
  if (!info.exists()) return text;
  if (info.size() > kLargestSettingsFile) {
    text.state = SettingsText::State::TooLarge;
    return text;
  }
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    text.state = SettingsText::State::Unreadable;
    return text;
  }
  // A file that grew since it was looked at is still read no further.
  const QByteArray bytes = in.read(kLargestSettingsFile + 1);
  if (bytes.size() > kLargestSettingsFile) {
    text.state = SettingsText::State::TooLarge;
    return text;
  }
  // Latin-1 keeps every byte as one character, so lines this program does not
  // touch go back out byte for byte, whatever their encoding.
  text.lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
  text.state = SettingsText::State::Readable;
  for (int i = 0; i < text.lines.size(); ++i) {
    if (bytes.contains('\0') || !isSettingsLine(text.lines[i])) {
      text.state = SettingsText::State::NotSettings;
      text.badLine = i + 1;
      text.lines.clear();
      break;
    }
  }
  return text;
}

QStringList withEntry(QStringList lines, const QString& group, const QString& key,
                      const QVariant& value) {
  const QString header = QLatin1Char('[') + group + QLatin1Char(']');
  qsizetype start = -1, end = lines.size();
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString trimmed = lines[i].trimmed();
    if (start < 0 && trimmed == header) {
      start = i;
    } else if (start >= 0 && isGroupLine(trimmed)) {
      end = i;
      break;
    }
  }
  const QString line = value.isValid() ? entryLine(key, value) : QString();
  if (start >= 0) {
    bool placed = false;
    for (qsizetype i = end - 1; i > start; --i) {
      if (keyOf(lines[i]) != key) continue;
      // The last entry of a key is the one that counts; it takes the new
      // value in its place, and earlier ones go.
      if (!placed && !line.isEmpty()) {
        lines[i] = line;
      } else {
        lines.removeAt(i);
      }
      placed = true;
    }
    if (placed || line.isEmpty()) return lines;
    qsizetype after = start;
    for (qsizetype i = start + 1; i < end && i < lines.size(); ++i) {
      if (!lines[i].trimmed().isEmpty()) after = i;
    }
    lines.insert(after + 1, line);
    return lines;
  }
  if (line.isEmpty()) return lines;
  // A new group goes at the end, after a blank line when the file has text.
  const bool endsWithNewline = !lines.isEmpty() && lines.last().isEmpty();
  if (endsWithNewline) lines.removeLast();
  if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines << QString();
  lines << header << line << QString();
  return lines;
}

QString writeSettingsText(const QString& file, const QStringList& lines) {
  const QFileInfo before(file);
  const bool existed = before.exists();
  const QFile::Permissions permissions = before.permissions();
  if (!QDir().mkpath(before.absolutePath())) {
    return QCoreApplication::translate("qd40::SavedPorts", "the folder %1 cannot be made")
        .arg(before.absolutePath());
  }
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return out.errorString();
  out.write(lines.join(QLatin1Char('\n')).toLatin1());
  if (!out.commit()) return out.errorString();
  if (existed) QFile::setPermissions(file, permissions);
  return {};
}

}  // namespace qd40
