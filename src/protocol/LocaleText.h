#pragma once
// Text for the terminal in the encoding of the operator's locale. The program
// builds every message in UTF-8; a terminal under ja_JP.EUC-JP shows UTF-8
// as garbage, so what goes to the standard error is converted on the way.
// It does not escape anything (see printablePath).
#include <string>
#include <string_view>

namespace qd40 {

// The character set the locale names for text (LC_ALL, LC_CTYPE, LANG, as
// the C library reads them): the part after the dot of its name
// ("ja_JP.EUC-JP"), else the C library's own for a locale it knows. Empty
// when neither says.
std::string localeCodeset();

// `utf8` in `codeset`; a character the set lacks becomes '?'. UTF-8 and
// ASCII locales, and a set the system cannot convert to, get the text as it
// is.
std::string inCodeset(std::string_view utf8, const std::string& codeset);

// `utf8` in the operator's locale's codeset.
std::string forTerminal(std::string_view utf8);

}  // namespace qd40
