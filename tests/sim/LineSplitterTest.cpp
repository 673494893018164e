// Checks how received bytes become lines and how the log shows raw bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LineSplitter.h"
#include "protocol/LogText.h"

namespace qd40sim {
namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitterTest, SplitsAtCrAcrossReads) {
  struct Case {
    std::vector<std::string> reads;
    Lines lines;
    std::string pending;
  };
  const std::vector<Case> cases = {
      {{"C00\r"}, {"C00"}, ""},
      {{"C", "0", "0\r"}, {"C00"}, ""},
      {{"CR0\rCR1\rCR"}, {"CR0", "CR1"}, "CR"},
      {{"CR0", "\rCR1\r"}, {"CR0", "CR1"}, ""},
      {{"\r\r"}, {"", ""}, ""},
      {{"C00\r\n", "\nCR0\n\r"}, {"C00", "CR0"}, ""},
      {{"C\n0\n0"}, {}, "C00"},
      {{"CR PRESSURE\r"}, {"CR PRESSURE"}, ""},
      {{"\xE6\x97", "\xA5\r"}, {"\xE6\x97\xA5"}, ""},
      {{std::string("A\0B\r", 4)}, {std::string("A\0B", 3)}, ""},
  };
  for (const Case& c : cases) {
    LineSplitter splitter;
    Lines lines;
    for (const std::string& read : c.reads) {
      for (std::string& line : splitter.feed(read)) lines.push_back(std::move(line));
    }
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.reads);
    EXPECT_EQ(splitter.pending(), c.pending) << ::testing::PrintToString(c.reads);
  }
}

TEST(LineSplitterTest, OverlongLineKeepsItsStartAndNextLineIsIntact) {
  LineSplitter splitter(4);
  EXPECT_EQ(splitter.feed("ABCDEFG\rCR0\r"), (Lines{"ABCD", "CR0"}));
  EXPECT_EQ(splitter.droppedBytes(), 3u);
}

TEST(LogFormatTest, RendersBytesReadably) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C00\r", "\"C00\"<CR>"},
      {"\x06", "<ACK>"},
      {"\x15\r", "<NAK><CR>"},
      {"", "\"\""},
      {"\r", "<CR>"},
      {"a\nb\t\x7F", "\"a\"<LF>\"b\"<HT><DEL>"},
      {std::string("\0\x1B", 2), "<NUL><ESC>"},
      {"say \"hi\" \\", "\"say \\\"hi\\\" \\\\\""},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\"\xE6\x97\xA5\xE6\x9C\xAC\""},
      {"\xFF\xC3", "<xFF><xC3>"},
      {"\xC0\xAF", "<xC0><xAF>"},           // Overlong encoding of '/'.
      {"\xED\xA0\x80", "<xED><xA0><x80>"},  // Surrogate.
      {"\xC2\x85", "<U+0085>"},
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(qd40::renderBytes(bytes), shown) << ::testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace qd40sim
