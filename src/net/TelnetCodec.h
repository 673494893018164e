#pragma once
// The Telnet side of a serial device server reached as rfc2217://HOST:PORT:
// option negotiation (BINARY, SUPPRESS-GO-AHEAD, COM-PORT-OPTION), the byte
// 255 doubled in both directions, CR NUL where BINARY was refused, and the
// COM-PORT-OPTION commands that set the far line's speed, framing and
// control lines. It is pure byte logic: the socket, its timing and its errors
// belong to the caller.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "line/LineSettings.h"

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
    // A subnegotiation given up as broken (see below): what it held, after
    // IAC SB and without the bytes past the first kept ones, and how many
    // bytes it held in all. Empty when none was.
    std::string dropped;
    std::size_t droppedCount = 0;
  };

  TelnetCodec();

  // The first bytes on a new connection: our offers and requests. Line
  // settings given with `settings` go out as soon as the server agrees.
  std::string start(const LineSettings& settings);
  Decoded decode(std::string_view bytes);
  // Line data for the wire: every 255 doubled, and each CR that is not
  // followed by LF sent as CR NUL while the server refuses our BINARY.
  std::string encode(std::string_view bytes) const;
  // Every 255 doubled, as a subnegotiation value needs.
  static std::string encodeData(std::string_view bytes);
  // The COM-PORT-OPTION commands for `settings` when the server has agreed
  // to the option; otherwise they are kept and sent on its agreement.
  std::string changeSettings(const LineSettings& settings);
  // The commands themselves: speed, data size, parity, stop size, then no
  // flow control, DTR on, RTS on.
  static std::string settingsCommands(const LineSettings& settings);

  bool comPortAgreed() const { return m_us[telnet::kComPortOption] == Option::Yes; }
  // The server answered our COM-PORT-OPTION with DONT, or withdrew it.
  bool comPortRefused() const { return m_usRefused[telnet::kComPortOption]; }
  // Whether the server has sent any Telnet command at all.
  bool serverNegotiated() const { return m_serverNegotiated; }

  // Nothing inside a subnegotiation is line data. One of the COM-PORT-OPTION
  // whose length is known ends there: bytes past it are held until IAC SE
  // shows they were the server's (and dropped, as a broken subnegotiation),
  // or until the subnegotiation is cut by another command or given up,
  // when they are line data after all. The caller gives up one that does
  // not end in time; each new one has a new number.
  bool inSubnegotiation() const {
    return m_parse == Parse::Sub || m_parse == Parse::SubIac || m_parse == Parse::SubIacIac;
  }
  std::uint64_t subnegotiationNumber() const { return m_subNumber; }
  Decoded abandonSubnegotiation();

 private:
  // RFC 1143's states for one side of one option; we never ask to turn an
  // option off, so the states that do are not needed.
  enum class Option : std::uint8_t { No, WantYes, Yes };
  enum class Parse : std::uint8_t { Data, Iac, Will, Wont, Do, Dont, Sub, SubIac, SubIacIac };
  using Options = std::array<Option, 256>;
  using Flags = std::array<bool, 256>;

  // The parser state that reads the option byte after WILL, WONT, DO or
  // DONT (251 to 254), and back.
  static Parse verbParse(unsigned char verb);
  static unsigned char verbOf(Parse parse);
  void onCommand(unsigned char verb, unsigned char code, std::string& reply);
  enum class SubEnd { Se, Cut, Abandoned };
  void startSub();
  // Ends the subnegotiation under way: at IAC SE, cut by another command, or
  // given up.
  void endSub(SubEnd end, Decoded& out);
  void onSubnegotiation(std::string& reply);
  void addData(char c, std::string& data);
  // A byte of a subnegotiation, held past its known length; past the cap of
  // what may be held it is given up.
  void addSub(char c, Decoded& out);
  std::optional<std::size_t> knownLength() const;

  Options m_us{};   // options this side performs
  Options m_him{};  // options the server performs
  // Requests we declined once (WONT to a DO, DONT to a WILL): a server that
  // asks again gets no second answer, so no server can keep us answering.
  Flags m_declinedDo{};
  Flags m_declinedWill{};
  // Our offers the server refused or withdrew (DONT), and our requests it
  // refused or withdrew (WONT).
  Flags m_usRefused{};
  Flags m_himRefused{};
  bool m_serverNegotiated = false;
  bool m_signatureSent = false;
  Parse m_parse = Parse::Data;
  std::uint64_t m_subNumber = 0;
  std::string m_sub;          // the first bytes of the subnegotiation
  std::size_t m_subSize = 0;  // its bytes in all, up to its known length
  std::string m_held;         // bytes past its known length
  // The last line byte was a CR, so a NUL after it is the NVT's padding.
  bool m_afterCr = false;
  std::optional<LineSettings> m_pendingSettings;
};

}  // namespace qd40
