#pragma once
// How the port messages are worded in the operator's language: each sentence
// goes through Qt's translations whole, under the context "PortMessages", and
// the sentences of a message are joined as the language joins them. Only Qt
// Core is used, so the layers beneath the panel stay free of the window's toolkit.
#include <QCoreApplication>
#include <QString>
#include <initializer_list>
#include <string>

#include "protocol/LogText.h"

namespace qd40 {

// The translations' context of every message about a port.
struct PortMessages {
  Q_DECLARE_TR_FUNCTIONS(PortMessages)
};

// A name, path or system text for a sentence's placeholder, escaped as every
// path is (printablePath), so that a process name or a system text cannot
// act on a terminal either; escaping twice changes nothing.
inline QString wordOf(const std::string& text) {
  return QString::fromStdString(printablePath(text));
}

// Sentences one after another: English puts a blank between two, Japanese,
// whose sentences end in "。", none. Empty parts are left out.
inline std::string joinSentences(std::initializer_list<QString> parts) {
  QString out;
  for (const QString& part : parts) {
    if (part.isEmpty()) continue;
    if (!out.isEmpty() && !out.endsWith(QChar(0x3002))) out += QLatin1Char(' ');
    out += part;
  }
  return out.toStdString();
}

}  // namespace qd40
