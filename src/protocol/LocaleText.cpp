// Converts messages to the locale's character set for the terminal.
#include "protocol/LocaleText.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "protocol/Utf8.h"

namespace qd40 {

namespace {

// "UTF-8", "utf8" and "UTF_8" name one set.
std::string canonical(const std::string& codeset) {
  std::string out;
  for (const char c : codeset) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

bool needsNoConversion(const std::string& codeset) {
  const std::string name = canonical(codeset);
  return name.empty() || name == "UTF8" || name == "ASCII" || name == "ANSIX341968" ||
         name == "USASCII";
}

}  // namespace

std::string localeCodeset() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    const std::string name = value;
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) return name.substr(dot + 1, name.find('@', dot) - dot - 1);
    break;
  }
  const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return {};
  std::string codeset = nl_langinfo_l(CODESET, locale);
  freelocale(locale);
  return codeset;
}

std::string inCodeset(std::string_view utf8, const std::string& codeset) {
  if (needsNoConversion(codeset)) return std::string(utf8);
  const iconv_t convert = iconv_open(codeset.c_str(), "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  char buffer[256];
  for (std::size_t pos = 0; pos < utf8.size();) {
    // One character at a time, so that one the set lacks costs only itself.
    std::size_t length = utf8SequenceLength(utf8, pos);
    if (length == 0) length = 1;
    char* in = const_cast<char*>(utf8.data() + pos);
    std::size_t inLeft = length;
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    if (iconv(convert, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) {
      iconv(convert, nullptr, nullptr, nullptr, nullptr);
      out += '?';
    } else {
      out.append(buffer, static_cast<std::size_t>(to - buffer));
    }
    pos += length;
  }
  iconv_close(convert);
  return out;
}

std::string forTerminal(std::string_view utf8) {
  return inCodeset(utf8, localeCodeset());
}

}  // namespace qd40
