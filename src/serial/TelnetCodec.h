#pragma once
// The Telnet side of a serial device server reached as rfc2217://HOST:PORT:
// option negotiation (BINARY, SUPPRESS-GO-AHEAD, COM-PORT-OPTION), the byte
// 255 doubled in both directions, and the COM-PORT-OPTION commands that set
// the far line's speed, framing and control lines. It is pure byte logic:
// the socket, its timing and its errors belong to the caller.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/LineSettings.h"

namespace qd40 {

namespace telnet {
constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kBinary = 0;
constexpr unsigned char kSuppressGoAhead = 3;
constexpr unsigned char kComPortOption = 44;
}  // namespace telnet

class TelnetCodec final {
 public:
  // What one piece of the server's stream holds: line data for the receive
  // buffer, and bytes the codec must send back (negotiation answers, and the
  // line settings once the server has agreed to COM-PORT-OPTION).
  struct Decoded {
    std::string data;
    std::string reply;
  };

  TelnetCodec();

  // The first bytes on a new connection: our offers and requests. Line
  // settings given with `settings` go out as soon as the server agrees.
  std::string start(const LineSettings& settings);
  Decoded decode(std::string_view bytes);
  // Line data for the wire, with every 255 doubled.
  static std::string encodeData(std::string_view bytes);
  // The COM-PORT-OPTION commands for `settings` when the server has agreed
  // to the option; otherwise they are kept and sent on its agreement.
  std::string changeSettings(const LineSettings& settings);
  // The commands themselves: speed, data size, parity, stop size, then no
  // flow control, DTR on, RTS on.
  static std::string settingsCommands(const LineSettings& settings);

  bool comPortAgreed() const { return state(m_us, telnet::kComPortOption) == Option::Yes; }

 private:
  enum class Option : std::uint8_t { No, WantYes, Yes };
  enum class Parse : std::uint8_t { Data, Iac, Will, Wont, Do, Dont, Sub, SubIac };
  using Options = std::array<Option, 256>;

  static Option state(const Options& options, unsigned char code) { return options[code]; }
  void onWill(unsigned char code, std::string& reply);
  void onWont(unsigned char code, std::string& reply);
  void onDo(unsigned char code, std::string& reply);
  void onDont(unsigned char code, std::string& reply);
  void onSubnegotiation(std::string& reply);

  Options m_us{};   // options this side performs
  Options m_him{};  // options the server performs
  Parse m_parse = Parse::Data;
  std::string m_sub;
  std::optional<LineSettings> m_pendingSettings;
};

}  // namespace qd40
