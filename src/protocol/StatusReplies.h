#pragma once
// What a valid reply to each line looks like, and the typed value a valid
// status reply carries. The panel shows whatever comes back; a program that
// marks a value as good checks here first that the reply is one the
// projector gives to that very line. It reads the bytes as they came off
// the line; it does not read the port or decide what to print.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qd40 {

// How a status read's reply is built.
enum class ReplyForm {
  KnownCode,       // one of the codes of the read's status table, then CR
  LampHours,       // one to five digits, then CR
  Temperatures,    // three readings at the places the status text shows, then CR
  Identification,  // printable text, then CR
  Pressure,        // a reading of 0 to 1023 in digits, then CR
};

struct StatusReadRule {
  std::string_view code;  // "CR0", "CR PRESSURE"
  ReplyForm form;
};

// clang-format off
inline constexpr std::array kStatusReadRules = {
    StatusReadRule{"CR0", ReplyForm::KnownCode},     StatusReadRule{"CR1", ReplyForm::KnownCode},
    StatusReadRule{"CR3", ReplyForm::LampHours},     StatusReadRule{"CR4", ReplyForm::KnownCode},
    StatusReadRule{"CR6", ReplyForm::Temperatures},  StatusReadRule{"CR7", ReplyForm::KnownCode},
    StatusReadRule{"CR9", ReplyForm::Identification}, StatusReadRule{"CRA", ReplyForm::KnownCode},
    StatusReadRule{"CR PRESSURE", ReplyForm::Pressure},
};
// clang-format on

// The highest pressure reading the sensor gives (ten bits); the status
// text's conversion is defined for it and below.
inline constexpr long kHighestPressureReading = 1023;
// The longest lamp hours reply, in digits.
inline constexpr std::size_t kLampHourDigits = 5;

// The value a valid reply carries.
struct StatusValue {
  enum class Kind { Code, Number, Readings, Text };
  Kind kind = Kind::Code;
  std::string text;                  // Code: the status code ("00"); Text: the text
  long number = 0;                   // Number: lamp hours, or the pressure in hPa
  std::array<double, 3> readings{};  // Readings: the three temperatures
};

struct ReplyCheck {
  bool valid = false;
  std::optional<StatusValue> value;  // for a valid reply to a status read
};

// The rule of a status read; nothing for a line that reads no status.
const StatusReadRule* statusReadRule(std::string_view code);

// Whether `reply` (the bytes received, CR included) is a valid answer to
// `code` (the line without its CR). A line that reads no status is answered
// by ACK, with or without a CR.
ReplyCheck checkReply(std::string_view code, std::string_view reply);

// Whether the reply has reached its end: a CR, or the ACK of an operation.
// More may still follow; whoever reads the line waits a moment to see.
bool looksComplete(std::string_view reply);

}  // namespace qd40
