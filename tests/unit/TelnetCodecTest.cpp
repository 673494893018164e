// The Telnet and COM-PORT-OPTION byte logic of rfc2217:// ports, byte by byte.
#include <gtest/gtest.h>

#include "net/TelnetCodec.h"

namespace qd40 {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// The seven commands that set 19200,N,8,1 with no flow control, DTR and RTS on.
const std::string kSettings19200 = bytes(
    {255, 250, 44,  1,   0,   0,   0x4B, 0x00, 255, 240, 255, 250, 44,  2,   8,   255, 240, 255,
     250, 44,  3,   1,   255, 240, 255,  250,  44,  4,   1,   255, 240, 255, 250, 44,  5,   1,
     255, 240, 255, 250, 44,  5,   8,    255,  240, 255, 250, 44,  5,   11,  255, 240});

TEST(TelnetCodecTest, OffersBinaryGoAheadSuppressionAndComPortOnConnect) {
  TelnetCodec codec;
  EXPECT_EQ(codec.start(LineSettings{}),
            bytes({255, 251, 0, 255, 251, 3, 255, 251, 44, 255, 253, 0, 255, 253, 3}));
  EXPECT_FALSE(codec.comPortAgreed());
}

struct DecodeCase {
  const char* name;
  std::vector<std::string> pieces;  // as they arrive, one decode() each
  std::string data;
  std::string reply;
  // The subnegotiation under way is then given up, as the link does with
  // one that has not ended in time; what was dropped as broken.
  bool abandon = false;
  std::string dropped = {};
  std::size_t droppedCount = 0;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << c.name;
}

class TelnetDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(TelnetDecodeTest, SeparatesLineDataFromTelnet) {
  TelnetCodec codec;
  codec.start(LineSettings{});
  std::string data, reply, dropped;
  std::size_t droppedCount = 0;
  const auto add = [&](const TelnetCodec::Decoded& decoded) {
    data += decoded.data;
    reply += decoded.reply;
    dropped += decoded.dropped;
    droppedCount += decoded.droppedCount;
  };
  for (const std::string& piece : GetParam().pieces) add(codec.decode(piece));
  if (GetParam().abandon) add(codec.abandonSubnegotiation());
  EXPECT_EQ(data, GetParam().data);
  EXPECT_EQ(reply, GetParam().reply);
  EXPECT_EQ(dropped, GetParam().dropped);
  EXPECT_EQ(droppedCount, GetParam().droppedCount);
  EXPECT_FALSE(codec.inSubnegotiation());
}

const std::string k400(400, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, TelnetDecodeTest,
    testing::Values(
        DecodeCase{"PlainReplyPassesThrough", {"00\r"}, "00\r", ""},
        DecodeCase{
            "DoubledIacIsOneByte255", {bytes({'A', 255, 255, '\r'})}, bytes({'A', 255, '\r'}), ""},
        DecodeCase{
            "DoubledIacSplitAcrossPieces", {bytes({255}), bytes({255, 6})}, bytes({255, 6}), ""},
        // What a device server sends on accepting: agreement to our offers
        // needs no answer, its offer to echo is refused, and the agreement to
        // COM-PORT-OPTION lets the line settings go out.
        DecodeCase{"ServerGreetingIsAnsweredAndSettingsFollow",
                   {bytes({255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                           1,   255, 253, 0,   255, 251, 0,   255, 253, 44})},
                   "",
                   bytes({255, 254, 1}) + kSettings19200},
        DecodeCase{"NotificationsAreDroppedFromTheData",
                   {"0" + bytes({255, 250, 44, 106, 0x60, 255, 240}) + "0",
                    bytes({255, 250, 44, 107, 255, 255, 255, 240}) + "\r"},
                   "00\r",
                   ""},
        DecodeCase{"SubnegotiationSplitAcrossPieces",
                   {bytes({255, 250, 44}), bytes({101, 0, 0, 0x4B}), bytes({0, 255}), bytes({240}),
                    "\x06"},
                   "\x06",
                   ""},
        DecodeCase{"UnknownOptionsAreRefused",
                   {bytes({255, 253, 24, 255, 251, 5})},
                   "",
                   bytes({255, 252, 24, 255, 254, 5})},
        DecodeCase{"RepeatedAgreementIsNotAnsweredAgain",
                   {bytes({255, 253, 0, 255, 253, 0, 255, 251, 3, 255, 251, 3})},
                   "",
                   ""},
        DecodeCase{"WithdrawnBinaryIsAcknowledged",
                   {bytes({255, 253, 0, 255, 254, 0})},
                   "",
                   bytes({255, 252, 0})},
        DecodeCase{"NopAndGoAheadCarryNothing", {bytes({'1', 255, 241, 255, 249, '2'})}, "12", ""},
        DecodeCase{"RefusedRequestsAreNotAnsweredAgain",
                   {bytes({255, 253, 24, 255, 251, 5}), bytes({255, 253, 24, 255, 251, 5})},
                   "",
                   bytes({255, 252, 24, 255, 254, 5})},
        DecodeCase{"EachChangeOfStateIsAnsweredOnce",
                   {bytes({255, 253, 0, 255, 254, 0, 255, 254, 0, 255, 253, 0})},
                   "",
                   bytes({255, 252, 0, 255, 251, 0})},
        DecodeCase{"UndoubledIacBeforeSeEndsTheSubnegotiation",
                   {bytes({255, 250, 44, 107, 255, 255, 240}) + "00\r"},
                   "00\r",
                   ""},
        // Two value bytes where the modem state has one: a broken one.
        DecodeCase{"UndoubledIacInsideIsFoundAgainAtSe",
                   {bytes({255, 250, 44, 107, 255, 1, 255, 240}) + "00\r"},
                   "00\r",
                   "",
                   false,
                   bytes({44, 107, 255}),
                   4},
        DecodeCase{"CommandAfterAnUnendedSubnegotiationKeepsItsOptionByte",
                   {bytes({255, 250, 44, 10, 255, 251, 3}) + "00\r"},
                   "00\r",
                   ""},
        DecodeCase{"CrNulIsCrWhenTheServerRefusesBinary",
                   {bytes({255, 252, 0}) + "00\r", bytes({0}) + "\r\n" + bytes({0})},
                   "00\r\r\n" + bytes({0}),
                   ""},
        DecodeCase{"CrNulIsTwoBytesInBinary",
                   {bytes({255, 251, 0}) + "\r" + bytes({0})},
                   "\r" + bytes({0}),
                   ""},
        DecodeCase{"SignatureRequestIsAnswered",
                   {bytes({255, 250, 44, 100, 255, 240})},
                   "",
                   bytes({255, 250, 44, 0}) + "QD40 Control" + bytes({255, 240})},
        // Broken ones. The speed has four bytes: the reply's first "0" is
        // the fourth.
        DecodeCase{"UnendedSpeedHoldsOnlyItsOwnLength",
                   {bytes({255, 250, 44, 101, 0, 0, 0x4B}), "00\r"},
                   "0\r",
                   "",
                   true,
                   bytes({44, 101, 0, 0, 0x4B, '0'}),
                   6},
        DecodeCase{"OversizedNotificationEndedBySeLeaksNothing",
                   {bytes({255, 250, 44, 106}) + k400 + bytes({255, 240}) + "00\r"},
                   "00\r",
                   "",
                   false,
                   bytes({44, 106, 'x'}),
                   402},
        DecodeCase{"LongSignatureIsNoLineData",
                   {bytes({255, 250, 44, 100}) + k400 + bytes({255, 240}) + "00\r"},
                   "00\r",
                   ""},
        DecodeCase{"EndlessSignatureIsDroppedUntilGivenUp",
                   {bytes({255, 250, 44, 100}) + k400},
                   "",
                   "",
                   true,
                   bytes({44, 100}) + std::string(254, 'x'),
                   402},
        DecodeCase{"BytesPastTheLengthAreLineDataWhenACommandCutsIn",
                   {bytes({255, 250, 44, 107, 1, 'a', 'b', 255, 251, 3})},
                   "ab",
                   ""}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(TelnetCodecTest, DoublesByte255InLineDataAndInSettingValues) {
  EXPECT_EQ(TelnetCodec::encodeData(bytes({'C', 255, '\r'})), bytes({'C', 255, 255, '\r'}));
  LineSettings odd{65280, Parity::Even, 7, 2};
  const std::string commands = TelnetCodec::settingsCommands(odd);
  EXPECT_EQ(commands.substr(0, 11), bytes({255, 250, 44, 1, 0, 0, 255, 255, 0, 255, 240}));
  EXPECT_EQ(commands.substr(11, 18),
            bytes({255, 250, 44, 2, 7, 255, 240, 255, 250, 44, 3, 3, 255, 240, 255, 250, 44, 4}));
}

TEST(TelnetCodecTest, SpeedChangeWaitsForTheServersAgreement) {
  TelnetCodec codec;
  codec.start(LineSettings{});
  EXPECT_EQ(codec.changeSettings(LineSettings{9600}), "");
  const std::string reply = codec.decode(bytes({255, 253, 44})).reply;
  EXPECT_EQ(reply.substr(0, 10), bytes({255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}));
  EXPECT_TRUE(codec.comPortAgreed());
  EXPECT_EQ(codec.changeSettings(LineSettings{19200}), kSettings19200);
}

TEST(TelnetCodecTest, AnEndlessSubnegotiationIsDroppedAtItsCapAndTheLineReadsOn) {
  TelnetCodec codec;
  const std::string flood(100000, 'x');
  // Past the one byte of its value, what was held is given back at the cap.
  EXPECT_EQ(codec.decode(bytes({255, 250, 44, 106}) + flood).data.size(), 100000u - 1);
  EXPECT_EQ(codec.decode(bytes({255, 240}) + "ok").data, "ok");
}

TEST(TelnetCodecTest, ABareCrGoesOutAsCrNulOnlyWhileTheServerRefusesOurBinary) {
  TelnetCodec codec;
  codec.start(LineSettings{});
  EXPECT_EQ(codec.encode("C00\r"), "C00\r");
  codec.decode(bytes({255, 254, 0}));
  EXPECT_EQ(codec.encode(bytes({'C', '\r', 255, '\r', '\n'})),
            bytes({'C', '\r', 0, 255, 255, '\r', '\n'}));
  EXPECT_FALSE(codec.comPortRefused());
  codec.decode(bytes({255, 254, 44}));
  EXPECT_TRUE(codec.comPortRefused());
}

}  // namespace
}  // namespace qd40
