#include "net/box_reply.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

#include "net/classic_number.h"

namespace zeb {
namespace {

const char kExample[] = "101.5:100.25:99:3:0:0:0:0:120:118.5:117:1:0:0:0:0:0:0:0:0\n";

struct Boxes {
  BoxLevels box[kDownloadedBoxCount];
  void Apply(const std::string& text) { ApplyBoxReplyText(text.data(), text.size(), box); }
};

void ExpectBox(const BoxLevels& b, double l0, double l1, double l2, int32_t count) {
  EXPECT_EQ(b.level0, l0);
  EXPECT_EQ(b.level1, l1);
  EXPECT_EQ(b.level2, l2);
  EXPECT_EQ(b.count, count);
}

void ExpectUntouched(const BoxLevels& b) {
  ExpectBox(b, 0, 0, 0, 0);
}

double Read(const std::string& text) {
  return ReadClassicDouble(text.data(), text.data() + text.size());
}

TEST(BoxReply, ExampleLineSetsBoxesWithPositiveCounts) {
  Boxes b;
  b.Apply(kExample);
  ExpectBox(b.box[0], 101.5, 100.25, 99, 3);
  ExpectUntouched(b.box[1]);
  ExpectBox(b.box[2], 120, 118.5, 117, 1);
  ExpectUntouched(b.box[3]);
  ExpectUntouched(b.box[4]);
}

TEST(BoxReply, LineEndingsAndDoubledColonsReadTheSame) {
  Boxes lf, crlf, doubled, unterminated;
  lf.Apply(kExample);
  crlf.Apply("101.5:100.25:99:3:0:0:0:0:120:118.5:117:1:0:0:0:0:0:0:0:0\r\n");
  doubled.Apply(":101.5::100.25:99:3:0:0:0:0:120:118.5:::117:1:0:0:0:0:0:0:0:0:\n");
  unterminated.Apply("101.5:100.25:99:3:0:0:0:0:120:118.5:117:1:0:0:0:0:0:0:0:0");
  for (const Boxes* other : {&crlf, &doubled, &unterminated}) {
    for (int g = 0; g < kDownloadedBoxCount; ++g) {
      ExpectBox(other->box[g], lf.box[g].level0, lf.box[g].level1, lf.box[g].level2,
                lf.box[g].count);
    }
  }
}

TEST(BoxReply, LaterLinesOverrideBoxByBox) {
  Boxes b;
  b.Apply(std::string(kExample) + "1:2:3:4:5:6:7:0:8:9:10:-1\n");
  ExpectBox(b.box[0], 1, 2, 3, 4);
  ExpectUntouched(b.box[1]);                // count 0 keeps the box
  ExpectBox(b.box[2], 120, 118.5, 117, 1);  // count -1 keeps the box
}

TEST(BoxReply, FractionalAndNegativeCounts) {
  Boxes b;
  b.Apply("1:2:3:0.5:4:5:6:-1:7:8:9:abc:1:1:1:-0.5");
  ExpectBox(b.box[0], 1, 2, 3, 0);  // 0.5 > 0: levels stored, count truncated to 0
  ExpectUntouched(b.box[1]);
  ExpectUntouched(b.box[2]);
  ExpectUntouched(b.box[3]);
}

TEST(BoxReply, OnlyGroupsWithAllFourFieldsApply) {
  Boxes b;
  b.Apply("1:2:3:4:5:6:7:8:9:10:11\n\n:::\n");
  ExpectBox(b.box[0], 1, 2, 3, 4);
  ExpectBox(b.box[1], 5, 6, 7, 8);
  ExpectUntouched(b.box[2]);
  // Fields after the twentieth are ignored.
  b.Apply("0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:0:1:1:1:2:9:9:9:9");
  ExpectBox(b.box[4], 1, 1, 1, 2);
}

TEST(BoxReply, ZeroByteEndsTheBlockText) {
  Boxes b;
  const std::string text = std::string("1:2:3:4\n5:6:7:8", 15) + '\0' + "\n9:9:9:9";
  b.Apply(text);
  ExpectBox(b.box[0], 5, 6, 7, 8);
}

TEST(BoxReply, FieldsReadLikeClassicStreamExtraction) {
  Boxes b;
  b.Apply(" +1.5e1x: -2. :junk:  7\r");
  ExpectBox(b.box[0], 15, -2, 0, 7);
}

// Numbers beyond the double range and counts beyond the 32-bit range make
// their group unreadable; underflow reads as 0 and the group applies.
TEST(BoxReply, OverflowingNumbersLeaveTheirGroupOut) {
  Boxes b;
  b.Apply("1e999:1:1:1:1:-1e999:1:1:1:1:1:1e999:0:0:0:4e9:1e-999:5:6:2147483647.9");
  ExpectUntouched(b.box[0]);
  ExpectUntouched(b.box[1]);
  ExpectUntouched(b.box[2]);
  ExpectUntouched(b.box[3]);
  ExpectBox(b.box[4], 0, 5, 6, INT32_MAX);
  b.Apply("1:2:3:2147483648:1:2:3:nan:1:2:3:" + std::string(400, '9'));
  ExpectUntouched(b.box[0]);
  ExpectUntouched(b.box[1]);
  ExpectUntouched(b.box[2]);
}

TEST(BoxReply, BinaryAndEndlessInputIsHarmless) {
  std::string junk;
  for (int i = 0; i < 300000; ++i)
    junk += static_cast<char>((static_cast<unsigned>(i) * 7919u) % 255u + 1u);
  Boxes b;
  b.Apply(junk);
  b.Apply("7:" + std::string(200000, '9') + ":1:1");
  EXPECT_EQ(b.box[0].count, 0);
  b.Apply(std::string(200000, ':'));
  b.Apply("0." + std::string(200000, '0') + "1:1:1:1");
  EXPECT_EQ(b.box[0].level0, 0.0);
  ApplyBoxReplyText(nullptr, 10, b.box);
  ApplyBoxReplyText("", 0, b.box);
}

// Feeds `text` to a reader in blocks of `block` bytes.
void FeedInBlocks(BoxReplyReader& reader, const std::string& text, size_t block) {
  for (size_t at = 0; at < text.size(); at += block) {
    const std::string piece = text.substr(at, block);
    reader.Feed(piece.data(), piece.size());
  }
}

TEST(BoxReplyReader, LinesCutByBlockBoundariesAreCompleted) {
  const std::string text = std::string("9:9:9:9:8:8:8:8\n") + kExample + "1:2:3:4";
  Boxes whole;
  whole.Apply(text);
  for (size_t block = 1; block <= text.size(); ++block) {
    Boxes b;
    BoxReplyReader reader(b.box);
    FeedInBlocks(reader, text, block);
    ExpectBox(b.box[0], 101.5, 100.25, 99, 3);  // the unfinished last line waits
    reader.Finish();
    for (int g = 0; g < kDownloadedBoxCount; ++g) {
      ExpectBox(b.box[g], whole.box[g].level0, whole.box[g].level1, whole.box[g].level2,
                whole.box[g].count);
    }
  }
}

TEST(BoxReplyReader, UnfinishedLineOfACutReplyIsNotApplied) {
  Boxes b;
  BoxReplyReader reader(b.box);
  const std::string text = std::string(kExample) + "5:6:7:8";
  reader.Feed(text.data(), text.size());
  ExpectBox(b.box[0], 101.5, 100.25, 99, 3);  // no Finish: "5:6:7:8" may be "5:6:7:80..."
}

TEST(BoxReplyReader, LineLongerThanOneBlockIsDroppedWhole) {
  Boxes b;
  BoxReplyReader reader(b.box);
  // One block of padding and the start of a box line, then its end.
  const std::string longLine = std::string(kBoxReplyBlockSize, ' ') + "1:2:3:4\n";
  FeedInBlocks(reader, longLine + "5:6:7:8\n" + longLine, 4096);
  reader.Finish();
  ExpectBox(b.box[0], 5, 6, 7, 8);
  // A line of exactly one block is kept.
  const std::string fitting = std::string(kBoxReplyBlockSize - 7, ' ') + "1:2:3:4\n";
  FeedInBlocks(reader, fitting, 1000);
  ExpectBox(b.box[0], 1, 2, 3, 4);
}

TEST(BoxReplyReader, ZeroByteEndsOnlyItsBlockText) {
  Boxes b;
  BoxReplyReader reader(b.box);
  const std::string first = std::string("1:2:3", 5) + '\0' + "junk";
  reader.Feed(first.data(), first.size());
  reader.Feed(":4\n", 3);
  ExpectBox(b.box[0], 1, 2, 3, 4);
}

// Cases where the reference extractor and a naive strtod part ways.
TEST(ClassicNumber, MatchesStreamExtraction) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},
      {"   ", 0},
      {"+", 0},
      {"-", 0},
      {".", 0},
      {"+.", 0},
      {"1e", 0},
      {"1e+", 0},
      {"1E-", 0},
      {"inf", 0},
      {"nan", 0},
      {"0x1p3", 0},
      {"+-5", 0},
      {"- 5", 0},
      {"e5", 0},
      {".e5", 0},
      {"5.e1", 50},
      {".5e1", 5},
      {"1e5.5", 1e5},
      {"12abc", 12},
      {"\t\v\f\r 7", 7},
      {"+0", 0},
      {"1.2.3", 1.2},
      {"007", 7},
      {"1e0400", DBL_MAX},
      {"-1e400", -DBL_MAX},
      {"1e-400", 0},
      {"0.1", 0.1},
      {"1e-310", 1e-310},
      {"1.7976931348623159e308", DBL_MAX},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
      {"1e99999999999999999999999", DBL_MAX},
      {"1e-99999999999999999999999", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_TRUE(std::signbit(Read("-0")));
  EXPECT_TRUE(std::signbit(Read("-1e-400")));
}

#ifndef _WIN32
// On this platform the standard extractor is the reference itself.
TEST(ClassicNumber, AgreesWithTheStandardExtractor) {
  const char* texts[] = {"3.14159",
                         "-2.5e-3x",
                         "123456789012345678901234567890",
                         "9007199254740993",
                         "2.2250738585072011e-308",
                         "0.30000000000000004",
                         "  42\r",
                         "1e23",
                         "8.98846567431158e307",
                         "+.0001e+0004",
                         "1e-320"};
  for (const char* text : texts) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double expected = 0.0;
    in >> expected;
    EXPECT_EQ(Read(text), expected) << text;
  }
}
#endif

}  // namespace
}  // namespace zeb
