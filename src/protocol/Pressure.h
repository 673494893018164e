#pragma once
// The pressure conversion: a raw reading from the reply to hPa.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/LeadingNumber.h"

namespace qd40 {

struct PressureReading {
  std::optional<std::int16_t> raw;  // the reading rounded, when it fits 16 bits
  std::optional<std::int16_t> hpa;  // the converted value, when the arithmetic fits
  std::string text;                 // what the status label shows
};

// The reading is the reply's leading number.
PressureReading convertPressure(std::string_view reply);
PressureReading convertReading(double reading);

}  // namespace qd40
