#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/indicator.h"
#include "interface/keyword_table.h"
#include "interface/registry.h"
#include "support/bars.h"

namespace zeb {
namespace {

using test::Create;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(Exports, KeywordsMatchExactly) {
  EXPECT_EQ(Create("staticpcl"), -1);
  EXPECT_EQ(Create("STATICPCL "), -1);
  EXPECT_EQ(Create(" STATICPCL"), -1);
  EXPECT_EQ(Create("STATIC"), -1);
  EXPECT_EQ(Create(""), -1);
  EXPECT_EQ(ZEB_IndicatorInit(nullptr, nullptr, "X"), -1);
  EXPECT_GT(Create("STATICPCL"), 0);
}

TEST(Exports, HandlesAreConsecutiveAndFailuresUseNone) {
  const int32_t a = Create("RATIO");
  EXPECT_EQ(Create("NOPE"), -1);
  const int32_t b = Create("RATIO");
  EXPECT_EQ(b, a + 1);
}

TEST(Exports, EveryKeywordCreatesAnInstance) {
  for (int32_t i = 0; i < KeywordCount(); ++i) {
    const char* keyword = KeywordTable()[i].info->keyword;
    const int32_t h = Create(keyword);
    ASSERT_GT(h, 0) << keyword;
    EXPECT_NE(std::strstr(ZEB_IndicatorError(h), keyword), nullptr);
  }
}

TEST(Exports, UnknownHandlesGiveFailureValues) {
  for (int32_t h : {0, -1, 34, INT_MAX, INT_MIN, 1000000}) {
    EXPECT_EQ(ZEB_IndicatorSetBar(h, 1, 1, 1, 1, 1, 1, 1, 1, 1), -1) << h;
    EXPECT_EQ(ZEB_IndicatorSetBarNoCalc(h, 1, 1, 1, 1, 1, 1, 1, 1, 1), 0) << h;
    EXPECT_EQ(ZEB_IndicatorSetParameter(h, 0, 1.0), 0) << h;
    EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0) << h;
    EXPECT_EQ(ZEB_IndicatorError(h), nullptr) << h;
  }
  EXPECT_EQ(ZEB_IndicatorTest(12345), 1.2345);
}

TEST(Exports, SymbolIsStoredCutOrDefaulted) {
  const int32_t unk = ZEB_IndicatorInit(nullptr, "STATICPCL", nullptr);
  EXPECT_STREQ(registry::Find(unk)->symbol, "<unk>");
  const std::string huge(10000, 'S');
  const int32_t cut = ZEB_IndicatorInit("x", "STATICPCL", huge.c_str());
  EXPECT_EQ(std::string(registry::Find(cut)->symbol), std::string(49, 'S'));
  const std::string exact(49, 'E');
  const int32_t fits = ZEB_IndicatorInit("x", "STATICPCL", exact.c_str());
  EXPECT_EQ(std::string(registry::Find(fits)->symbol), exact);
}

TEST(Exports, StatusTextHasAStableAddress) {
  const int32_t h = Create("RATIO", "EURUSD");
  const char* first = ZEB_IndicatorError(h);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ZEB_IndicatorError(h), first);
  EXPECT_NE(std::strstr(first, "working order"), nullptr);
  EXPECT_LT(std::strlen(first), 1024u);
}

TEST(Exports, ParametersAcceptAnyValue) {
  for (const char* keyword : {"STATICPCL", "RATIO"}) {
    const int32_t h = Create(keyword);
    for (double v : {kNaN, kInf, -kInf, 1e10, 2147483647.0, -0.5, 12.9, -1e300}) {
      for (int32_t index : {-1, 0, 1, 2, 3, 17, INT_MAX, INT_MIN}) {
        EXPECT_EQ(ZEB_IndicatorSetParameter(h, index, v), 1);
      }
    }
    test::Feed(h, {1, 20240101, 10, 11, 9, 10});
    for (int32_t index : {-1, 0, 9, 10, 499, 500, INT_MAX, INT_MIN}) ZEB_IndicatorValue(h, index);
  }
}

TEST(Exports, HostileBarsNeverCrash) {
  for (int32_t i = 0; i < KeywordCount(); ++i) {
    const int32_t h = Create(KeywordTable()[i].info->keyword);
    int32_t bar = 0;
    for (double v : {kNaN, kInf, -kInf, 1e300, -1e300, 0.0, 1.0}) {
      ++bar;
      test::Feed(h, {bar, bar, v, v, v, v, v, v});
      test::FeedNoCalc(h, {bar, bar + 1, v, v, -v, v, v, -v});
    }
    test::Feed(h, {-5, 1, 1, 1, 1, 1});
    test::Feed(h, {INT_MAX, 2, 1, 2, 0.5, 1.5, 10, 5});
    test::Feed(h, {INT_MAX, 3, 1, 2, 0.5, 1.5, 10, 5});
    for (int32_t index = -2; index < 30; ++index) ZEB_IndicatorValue(h, index);
  }
}

TEST(Exports, InstancesKeepSeparateState) {
  const int32_t a = Create("RATIO");
  const int32_t b = Create("RATIO");
  ZEB_IndicatorSetParameter(a, 0, 1);
  for (int32_t bar = 1; bar <= 20; ++bar)
    test::Feed(a, {bar, 1, 10.0 + bar, 12.0 + bar, 9.0, 11.0});
  EXPECT_NE(ZEB_IndicatorValue(a, 0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(b, 0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(b, 1), 0.0);
}

}  // namespace
}  // namespace zeb
