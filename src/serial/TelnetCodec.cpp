// Telnet option negotiation and RFC 2217 commands for a serial device server.
#include "serial/TelnetCodec.h"

namespace qd40 {

using namespace telnet;

namespace {

// COM-PORT-OPTION commands from client to server; the server answers each
// with the same code plus 100.
constexpr unsigned char kSignature = 0;
constexpr unsigned char kSetBaudRate = 1;
constexpr unsigned char kSetDataSize = 2;
constexpr unsigned char kSetParity = 3;
constexpr unsigned char kSetStopSize = 4;
constexpr unsigned char kSetControl = 5;
constexpr unsigned char kServerSignature = kSignature + 100;
constexpr unsigned char kParityNone = 1, kParityOdd = 2, kParityEven = 3;
constexpr unsigned char kNoFlowControl = 1, kDtrOn = 8, kRtsOn = 11;
constexpr std::string_view kClientSignature = "QD40 Control";
// A subnegotiation longer than any the option defines is cut here, so a
// server that never ends one cannot make us hold its stream.
constexpr std::size_t kMaxSubnegotiation = 512;

bool weSupport(unsigned char code) {
  return code == kBinary || code == kSuppressGoAhead || code == kComPortOption;
}

bool serverMaySupport(unsigned char code) {
  return code == kBinary || code == kSuppressGoAhead;
}

std::string command(unsigned char verb, unsigned char code) {
  return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(code)};
}

std::string subnegotiation(unsigned char code, std::string_view value) {
  std::string out = {static_cast<char>(kIac), static_cast<char>(kSb),
                     static_cast<char>(kComPortOption), static_cast<char>(code)};
  out += TelnetCodec::encodeData(value);
  out += static_cast<char>(kIac);
  out += static_cast<char>(kSe);
  return out;
}

std::string oneByte(int value) {
  return std::string(1, static_cast<char>(value));
}

unsigned char parityCode(Parity parity) {
  switch (parity) {
    case Parity::Odd:
      return kParityOdd;
    case Parity::Even:
      return kParityEven;
    case Parity::None:
      break;
  }
  return kParityNone;
}

}  // namespace

TelnetCodec::TelnetCodec() {
  m_us.fill(Option::No);
  m_him.fill(Option::No);
}

std::string TelnetCodec::start(const LineSettings& settings) {
  m_pendingSettings = settings;
  std::string out;
  for (unsigned char code : {kBinary, kSuppressGoAhead, kComPortOption}) {
    m_us[code] = Option::WantYes;
    out += command(kWill, code);
  }
  for (unsigned char code : {kBinary, kSuppressGoAhead}) {
    m_him[code] = Option::WantYes;
    out += command(kDo, code);
  }
  return out;
}

std::string TelnetCodec::encodeData(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    out += c;
    if (static_cast<unsigned char>(c) == kIac) out += c;
  }
  return out;
}

std::string TelnetCodec::settingsCommands(const LineSettings& settings) {
  const auto baud = static_cast<std::uint32_t>(settings.baud);
  const std::string speed = {static_cast<char>(baud >> 24), static_cast<char>(baud >> 16),
                             static_cast<char>(baud >> 8), static_cast<char>(baud)};
  return subnegotiation(kSetBaudRate, speed) +
         subnegotiation(kSetDataSize, oneByte(settings.dataBits)) +
         subnegotiation(kSetParity, oneByte(parityCode(settings.parity))) +
         subnegotiation(kSetStopSize, oneByte(settings.stopBits)) +
         subnegotiation(kSetControl, oneByte(kNoFlowControl)) +
         subnegotiation(kSetControl, oneByte(kDtrOn)) +
         subnegotiation(kSetControl, oneByte(kRtsOn));
}

std::string TelnetCodec::changeSettings(const LineSettings& settings) {
  if (comPortAgreed()) return settingsCommands(settings);
  m_pendingSettings = settings;
  return {};
}

TelnetCodec::Decoded TelnetCodec::decode(std::string_view bytes) {
  Decoded out;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (m_parse) {
      case Parse::Data:
        if (byte == kIac)
          m_parse = Parse::Iac;
        else
          out.data += c;
        break;
      case Parse::Iac:
        m_parse = Parse::Data;
        if (byte == kIac) out.data += c;
        if (byte == kWill) m_parse = Parse::Will;
        if (byte == kWont) m_parse = Parse::Wont;
        if (byte == kDo) m_parse = Parse::Do;
        if (byte == kDont) m_parse = Parse::Dont;
        if (byte == kSb) {
          m_sub.clear();
          m_parse = Parse::Sub;
        }
        // Any other command (NOP, GA, DM, ...) carries nothing for the line.
        break;
      case Parse::Will:
        onWill(byte, out.reply);
        m_parse = Parse::Data;
        break;
      case Parse::Wont:
        onWont(byte, out.reply);
        m_parse = Parse::Data;
        break;
      case Parse::Do:
        onDo(byte, out.reply);
        m_parse = Parse::Data;
        break;
      case Parse::Dont:
        onDont(byte, out.reply);
        m_parse = Parse::Data;
        break;
      case Parse::Sub:
        if (byte == kIac)
          m_parse = Parse::SubIac;
        else if (m_sub.size() < kMaxSubnegotiation)
          m_sub += c;
        break;
      case Parse::SubIac:
        if (byte == kIac) {
          if (m_sub.size() < kMaxSubnegotiation) m_sub += c;
          m_parse = Parse::Sub;
        } else {
          // SE ends it; any other command ends it too, as a server that
          // forgot SE would mean.
          onSubnegotiation(out.reply);
          m_parse = Parse::Data;
        }
        break;
    }
  }
  return out;
}

void TelnetCodec::onDo(unsigned char code, std::string& reply) {
  const Option was = m_us[code];
  if (was == Option::Yes) return;
  if (!weSupport(code)) {
    reply += command(kWont, code);
    return;
  }
  m_us[code] = Option::Yes;
  if (was == Option::No) reply += command(kWill, code);
  if (code == kComPortOption && m_pendingSettings) {
    reply += settingsCommands(*m_pendingSettings);
    m_pendingSettings.reset();
  }
}

void TelnetCodec::onDont(unsigned char code, std::string& reply) {
  const Option was = m_us[code];
  m_us[code] = Option::No;
  if (was == Option::Yes) reply += command(kWont, code);
}

void TelnetCodec::onWill(unsigned char code, std::string& reply) {
  const Option was = m_him[code];
  if (was == Option::Yes) return;
  if (!serverMaySupport(code)) {
    reply += command(kDont, code);
    return;
  }
  m_him[code] = Option::Yes;
  if (was == Option::No) reply += command(kDo, code);
}

void TelnetCodec::onWont(unsigned char code, std::string& reply) {
  const Option was = m_him[code];
  m_him[code] = Option::No;
  if (was == Option::Yes) reply += command(kDont, code);
}

void TelnetCodec::onSubnegotiation(std::string& reply) {
  // Only a request for our signature needs an answer; every notification
  // (line state, modem state, flow control) and every acknowledgement of
  // our settings is taken and dropped.
  if (m_sub.size() == 2 && static_cast<unsigned char>(m_sub[0]) == kComPortOption &&
      static_cast<unsigned char>(m_sub[1]) == kServerSignature) {
    reply += subnegotiation(kSignature, kClientSignature);
  }
}

}  // namespace qd40
