#pragma once
// The saved settings file as its owner left it: read only when it is small
// and made of settings lines, and changed one entry at a time, so that every
// other line, comments and entries this program does not know included,
// stays as it was. The values are written as Qt's INI settings write them,
// so files saved by earlier versions read the same.
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qd40 {

// A settings file larger than this is nobody's hand-kept choice of two
// devices; it is refused before it is read.
inline constexpr qint64 kLargestSettingsFile = 64 * 1024;

struct SettingsText {
  enum class State {
    Missing,      // no file yet: the first save makes it
    Readable,     // settings lines, comments and blanks only
    TooLarge,     // larger than kLargestSettingsFile; not read
    NotSettings,  // a line that is no setting, comment, group or blank
    Unreadable,   // it exists but cannot be read
  };
  State state = State::Missing;
  QStringList lines;  // Readable: the file's lines, as they are
  int badLine = 0;    // NotSettings: the first such line, from 1
};

SettingsText readSettingsText(const QString& file);

// `lines` with the entry `key` of `group` set to `value`, or removed for an
// invalid QVariant. Every other line stays as it is.
QStringList withEntry(QStringList lines, const QString& group, const QString& key,
                      const QVariant& value);

// Writes `lines` to `file` in one step, keeping the old file's permissions;
// returns the system's words when it cannot.
QString writeSettingsText(const QString& file, const QStringList& lines);

}  // namespace qd40
