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
constexpr std::size_t kMaxSubnegotiation = 256;

bool weSupport(unsigned char code) {
  return code == kBinary || code == kSuppressGoAhead || code == kComPortOption;
}

bool serverMaySupport(unsigned char code) {
  return code == kBinary || code == kSuppressGoAhead;
}

bool isVerb(unsigned char byte) {
  return byte >= kWill && byte <= kDont;
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
          addData(c, out.data);
        break;
      case Parse::Iac:
        m_parse = Parse::Data;
        if (byte == kIac) addData(c, out.data);
        if (isVerb(byte)) m_parse = verbParse(byte);
        if (byte == kSb) startSub();
        // Any other command (NOP, GA, DM, ...) carries nothing for the line.
        break;
      case Parse::Will:
      case Parse::Wont:
      case Parse::Do:
      case Parse::Dont:
        onCommand(verbOf(m_parse), byte, out.reply);
        m_parse = Parse::Data;
        break;
      case Parse::Sub:
        if (byte == kIac)
          m_parse = Parse::SubIac;
        else
          addSub(c, out.data);
        break;
      case Parse::SubIac:
        if (byte == kIac) {
          m_parse = Parse::SubIacIac;
          addSub(c, out.data);
        } else if (byte == kSe) {
          onSubnegotiation(out.reply);
          m_parse = Parse::Data;
        } else if (isVerb(byte)) {
          // A server that forgot SE: the subnegotiation is dropped, and the
          // command that follows is read as one, so its option byte never
          // reaches the line data.
          m_parse = verbParse(byte);
        } else if (byte == kSb) {
          startSub();
        } else if (byte > kSe) {
          m_parse = Parse::Data;
        } else {
          // A 255 that should have been doubled: kept as a value byte, so
          // the parser finds its way back at the next IAC SE.
          m_parse = Parse::Sub;
          addSub(static_cast<char>(kIac), out.data);
          if (m_parse == Parse::Sub) addSub(c, out.data);
        }
        break;
      case Parse::SubIacIac:
        // IAC IAC SE is read as an undoubled 255 before the end, which the
        // subnegotiations the panel reads never hold as a value.
        if (byte == kSe) {
          onSubnegotiation(out.reply);
          m_parse = Parse::Data;
        } else if (byte == kIac) {
          m_parse = Parse::SubIac;
        } else {
          m_parse = Parse::Sub;
          addSub(c, out.data);
        }
        break;
    }
  }
  return out;
}

void TelnetCodec::startSub() {
  m_serverNegotiated = true;
  m_sub.clear();
  m_parse = Parse::Sub;
}

TelnetCodec::Parse TelnetCodec::verbParse(unsigned char verb) {
  switch (verb) {
    case kWill:
      return Parse::Will;
    case kWont:
      return Parse::Wont;
    case kDo:
      return Parse::Do;
    default:
      return Parse::Dont;
  }
}

unsigned char TelnetCodec::verbOf(Parse parse) {
  switch (parse) {
    case Parse::Will:
      return kWill;
    case Parse::Wont:
      return kWont;
    case Parse::Do:
      return kDo;
    default:
      return kDont;
  }
}

void TelnetCodec::addData(char c, std::string& data) {
  // RFC 854: outside BINARY a bare CR travels as CR NUL.
  if (c == '\0' && m_afterCr && m_himRefused[kBinary]) {
    m_afterCr = false;
    return;
  }
  m_afterCr = c == '\r';
  data += c;
}

void TelnetCodec::addSub(char c, std::string& data) {
  if (m_sub.size() < kMaxSubnegotiation) {
    m_sub += c;
    return;
  }
  // Longer than any subnegotiation the option defines: a server that never
  // ends one. What it held is dropped and the stream is line data again.
  m_sub.clear();
  m_parse = Parse::Data;
  if (static_cast<unsigned char>(c) != kIac) addData(c, data);
}

std::string TelnetCodec::encode(std::string_view bytes) const {
  if (!m_usRefused[kBinary]) return encodeData(bytes);
  std::string out;
  out.reserve(bytes.size() + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (static_cast<unsigned char>(bytes[i]) == kIac) out += bytes[i];
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) out += '\0';
  }
  return out;
}

void TelnetCodec::onCommand(unsigned char verb, unsigned char code, std::string& reply) {
  m_serverNegotiated = true;
  // DO and DONT are about what we perform, WILL and WONT about the server.
  const bool ours = verb == kDo || verb == kDont;
  Option& state = ours ? m_us[code] : m_him[code];
  Flags& refused = ours ? m_usRefused : m_himRefused;
  Flags& declined = ours ? m_declinedDo : m_declinedWill;
  const unsigned char yes = ours ? kWill : kDo;
  const unsigned char no = ours ? kWont : kDont;
  if (verb == kDo || verb == kWill) {
    if (state == Option::Yes) return;
    if (state == Option::No) {
      if (!(ours ? weSupport(code) : serverMaySupport(code))) {
        if (!declined[code]) reply += command(no, code);
        declined[code] = true;
        return;
      }
      reply += command(yes, code);
    }
    // An agreement to what we asked for needs no answer.
    state = Option::Yes;
    refused[code] = false;
    if (ours && code == kComPortOption && m_pendingSettings) {
      reply += settingsCommands(*m_pendingSettings);
      m_pendingSettings.reset();
    }
    return;
  }
  if (state == Option::No) return;
  // A refusal of what we asked for needs no answer; a withdrawal is
  // acknowledged.
  if (state == Option::Yes) reply += command(no, code);
  state = Option::No;
  refused[code] = true;
}
void TelnetCodec::onSubnegotiation(std::string& reply) {
  // Only a request for our signature needs an answer, and only the first:
  // the answer is three times the request, which a server asking over and
  // over must not be able to make us pile up. Every notification (line
  // state, modem state, flow control) and every acknowledgement of our
  // settings is taken and dropped.
  if (m_sub.size() == 2 && static_cast<unsigned char>(m_sub[0]) == kComPortOption &&
      static_cast<unsigned char>(m_sub[1]) == kServerSignature && !m_signatureSent) {
    m_signatureSent = true;
    reply += subnegotiation(kSignature, kClientSignature);
  }
}

}  // namespace qd40
