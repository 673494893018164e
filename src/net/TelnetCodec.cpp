// Telnet option negotiation and RFC 2217 commands for a serial device server.
#include "net/TelnetCodec.h"

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
constexpr unsigned char kFlowControlSuspend = 108, kFlowControlResume = 109;
constexpr unsigned char kNotifyLineState = 106, kNotifyModemState = 107;
constexpr unsigned char kSetLineStateMask = 110, kSetModemStateMask = 111, kPurgeData = 112;
constexpr unsigned char kParityNone = 1, kParityOdd = 2, kParityEven = 3;
constexpr unsigned char kNoFlowControl = 1, kDtrOn = 8, kRtsOn = 11;
constexpr std::string_view kClientSignature = "QD40 Control";
// What is kept of a subnegotiation; the rest is counted and dropped.
constexpr std::size_t kKeptSubnegotiation = 256;
// Bytes past a known length held until IAC SE; more give the subnegotiation
// up at once, so a server that never ends one cannot make us hold its stream.
constexpr std::size_t kMaxHeld = 1024;

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
          addSub(c, out);
        break;
      case Parse::SubIac:
        if (byte == kIac) {
          m_parse = Parse::SubIacIac;
          addSub(c, out);
        } else if (byte == kSe) {
          endSub(SubEnd::Se, out);
        } else if (isVerb(byte)) {
          // A server that forgot SE: the subnegotiation is dropped, and the
          // command that follows is read as one, so its option byte never
          // reaches the line data.
          endSub(SubEnd::Cut, out);
          m_parse = verbParse(byte);
        } else if (byte == kSb) {
          endSub(SubEnd::Cut, out);
          startSub();
        } else if (byte > kSe) {
          endSub(SubEnd::Cut, out);
        } else {
          // A 255 that should have been doubled: kept as a value byte, so
          // the parser finds its way back at the next IAC SE.
          m_parse = Parse::Sub;
          addSub(static_cast<char>(kIac), out);
          if (m_parse == Parse::Sub) addSub(c, out);
        }
        break;
      case Parse::SubIacIac:
        // IAC IAC SE is read as an undoubled 255 before the end, which the
        // subnegotiations the panel reads never hold as a value.
        if (byte == kSe) {
          endSub(SubEnd::Se, out);
        } else if (byte == kIac) {
          m_parse = Parse::SubIac;
        } else {
          m_parse = Parse::Sub;
          addSub(c, out);
        }
        break;
    }
  }
  return out;
}

void TelnetCodec::startSub() {
  m_serverNegotiated = true;
  ++m_subNumber;
  m_sub.clear();
  m_subSize = 0;
  m_held.clear();
  m_parse = Parse::Sub;
}

std::optional<std::size_t> TelnetCodec::knownLength() const {
  if (m_sub.size() < 2 || static_cast<unsigned char>(m_sub[0]) != kComPortOption) {
    return std::nullopt;
  }
  // The server's answers and notifications: the code, then its value.
  switch (static_cast<unsigned char>(m_sub[1])) {
    case kSetBaudRate + 100:
      return 2 + 4;
    case kSetDataSize + 100:
    case kSetParity + 100:
    case kSetStopSize + 100:
    case kSetControl + 100:
    case kNotifyLineState:
    case kNotifyModemState:
    case kSetLineStateMask:
    case kSetModemStateMask:
    case kPurgeData:
      return 2 + 1;
    case kFlowControlSuspend:
    case kFlowControlResume:
      return 2;
    default:
      return std::nullopt;
  }
}

void TelnetCodec::endSub(SubEnd end, Decoded& out) {
  m_parse = Parse::Data;
  const bool overlong = !m_held.empty();
  if (end == SubEnd::Se && !overlong) {
    onSubnegotiation(out.reply);
    return;
  }
  // One that IAC SE ended held its bytes past the known length; one cut
  // short or given up ended at it, and they are the line's.
  if (end == SubEnd::Abandoned || (end == SubEnd::Se && overlong)) {
    out.dropped = m_sub;
    out.droppedCount = m_subSize + (end == SubEnd::Se ? m_held.size() : 0);
  }
  if (end != SubEnd::Se) {
    for (char c : m_held) addData(c, out.data);
  }
  m_held.clear();
}

TelnetCodec::Decoded TelnetCodec::abandonSubnegotiation() {
  Decoded out;
  if (inSubnegotiation()) endSub(SubEnd::Abandoned, out);
  return out;
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

void TelnetCodec::addSub(char c, Decoded& out) {
  const std::optional<std::size_t> length = knownLength();
  if (!length || m_subSize < *length) {
    if (m_sub.size() < kKeptSubnegotiation) m_sub += c;
    ++m_subSize;
    return;
  }
  if (m_held.size() < kMaxHeld) {
    m_held += c;
    return;
  }
  endSub(SubEnd::Abandoned, out);
  addData(c, out.data);
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
