// The monitor rendering, token by token, and the receive buffer that keeps
// its rendered form as characters arrive.
#include <gtest/gtest.h>

#include "protocol/Monitor.h"
#include "protocol/Utf8.h"

namespace qd40 {
namespace {

struct RenderCase {
  const char* name;
  Text line;
  std::string rendered;
};

// Test names carry the case; gtest need not dump its bytes.
void PrintTo(const RenderCase& c, std::ostream* os) {
  *os << c.name;
}

class RenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderTest, RendersEveryCharacterAsItsToken) {
  EXPECT_EQ(renderMonitor(GetParam().line), GetParam().rendered);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, RenderTest,
    testing::Values(RenderCase{"EmptyLineIsOneBlank", U"", " "},
                    RenderCase{"CommandLine", U"C00\r", " C 0 0 CR "},
                    RenderCase{"ReplyLine", U"00\r", " 0 0 CR "},
                    RenderCase{"AckHasItsOwnToken", U"\x06", " ACK "},
                    RenderCase{"AckThenCr", U"\x06\r", " ACK CR "},
                    RenderCase{"Dc4IsAmpersandWithoutBlank",
                               U"\x14"
                               U"1",
                               " &1 "},
                    RenderCase{"LineFeed", U"\n", " LF "},
                    RenderCase{"OtherControlsAreQuestionMarks", Text{1, 0x1f, 0}, " ? ? ? "},
                    RenderCase{"BlankIsShownAsItself", U" ", "   "},
                    RenderCase{"QuestionMarkLooksLikeUnknown", U"?", " ? "},
                    RenderCase{"LowerCaseUpToZ", U"az", " a z "},
                    RenderCase{"BracesBarTildeAndDel", U"{|}~\x7f", " ? ? ? ? ? "},
                    RenderCase{"BytesAbove127", Text{0x80, 0xff}, " ? ? "},
                    RenderCase{"NonAsciiCharacterIsOneToken", U"é日", " ? ? "},
                    RenderCase{"PunctuationBelowZ", U"!/@[`", " ! / @ [ ` "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RxBuffer, KeepsItsRenderingInStepWithTheCharacters) {
  RxBuffer buffer;
  buffer.append("0");
  EXPECT_EQ(buffer.rendered(), " 0 ");
  buffer.append(std::string("0\r\x06\xff", 4));
  EXPECT_EQ(buffer.rendered(), renderMonitor(buffer.chars()));
  EXPECT_EQ(buffer.rendered(), " 0 0 CR ACK ? ");
  buffer.clear();
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(buffer.rendered(), " ");
}

TEST(RxBuffer, StopsGrowingAtItsLimitWithoutLosingWhatItHolds) {
  RxBuffer buffer;
  const std::string chunk(1000, 'A');
  std::size_t kept = 0;
  for (int i = 0; i < 40; ++i) kept += buffer.append(chunk);
  EXPECT_EQ(kept, RxBuffer::kMaxChars);
  EXPECT_EQ(buffer.chars().size(), RxBuffer::kMaxChars);
  EXPECT_EQ(buffer.append("B"), 0u);
  EXPECT_EQ(buffer.rendered().size(), 1 + 2 * RxBuffer::kMaxChars);
  buffer.clear();
  buffer.append(std::string(RxBuffer::kMaxChars - 1, 'A'));
  EXPECT_EQ(buffer.append("\x06\x06"), 1u);
  EXPECT_EQ(buffer.rendered().substr(2 * RxBuffer::kMaxChars - 3), "A ACK ");
  buffer.clear();
  EXPECT_EQ(buffer.append("B"), 1u);
}

// One delivery renders as its characters one by one: tokens of every length
// side by side, DC4 (one byte) last, and a delivery longer than any one step.
TEST(RxBuffer, RendersADeliveryAsItsCharactersOneByOne) {
  std::string sevens;
  std::string sevensRendered = " ";
  for (int i = 0; i < 700; ++i) sevens += "7\r", sevensRendered += "7 CR ";
  const std::pair<std::string, std::string> cases[] = {{"1\x06"
                                                        "2\r3\n4\x7f\xff z",
                                                        " 1 ACK 2 CR 3 LF 4 ? ?   z "},
                                                       {"AB\x14", " A B &"},
                                                       {sevens, sevensRendered}};
  for (const auto& [bytes, rendered] : cases) {
    RxBuffer whole, single;
    whole.append(bytes);
    for (char c : bytes) single.append(std::string_view(&c, 1));
    EXPECT_EQ(whole.rendered(), rendered);
    EXPECT_EQ(single.rendered(), rendered);
  }
}

TEST(Utf8, RoundTripsAndReplacesBrokenBytes) {
  const Text typed = U"CR0 é日😀";
  EXPECT_EQ(fromUtf8(toUtf8(typed)), typed);
  EXPECT_EQ(toUtf8(U"é"), "\xc3\xa9");
  EXPECT_EQ(fromUtf8("A\xff"
                     "B"),
            (Text{U'A', 0xFFFD, U'B'}));
  EXPECT_EQ(fromUtf8("\xc3"), (Text{0xFFFD}));
  EXPECT_EQ(fromUtf8("\xc0\xaf"), (Text{0xFFFD, 0xFFFD}));  // overlong '/'
}

}  // namespace
}  // namespace qd40
