#include "indicators/market_map.h"

#include <gtest/gtest.h>

#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Feed;

MarketMap& Instance(int32_t h) {
  return *static_cast<MarketMap*>(registry::Find(h));
}

TEST(MarketMap, DefaultsProfileTheNewestBar) {
  const int32_t h = test::Create("MARKETMAP");
  Feed(h, {1, 1, 15, 30, 1, 2, 1000, 0});
  Feed(h, {2, 1, 15, 20, 10, 12, 60, 40});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 10.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 20.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 100), 0.0);
  for (int32_t bin = 1; bin < 100; ++bin) EXPECT_EQ(ZEB_IndicatorValue(h, 100 + bin), 1.0) << bin;
  EXPECT_EQ(ZEB_IndicatorValue(h, 500), 1.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 501), 2.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 599), 1.0);
  for (int32_t bin = 2; bin < 99; ++bin) EXPECT_EQ(ZEB_IndicatorValue(h, 500 + bin), 0.0) << bin;
}

TEST(MarketMap, OutputIndicesOutsideTheTables) {
  const int32_t h = test::Create("MARKETMAP");
  Instance(h).nodeMarks[199] = 3.0;
  Instance(h).profile[199] = 4.0;
  EXPECT_EQ(ZEB_IndicatorValue(h, 99), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 499), 4.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1000), 3.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2147483647), 3.0);
}

TEST(MarketMap, WindowReachesBar298) {
  const int32_t h = test::Create("MARKETMAP");
  ZEB_IndicatorSetParameter(h, 2, 1e10);  // beyond 32 bits: the lower clamp
  EXPECT_EQ(Instance(h).lastBack, 0);
  ZEB_IndicatorSetParameter(h, 2, 400);
  EXPECT_EQ(Instance(h).lastBack, 299);
  for (int32_t bar = 1; bar <= 400; ++bar) {
    test::FeedNoCalc(h, {bar, 1, 500.0 - bar, 501.0 - bar, 500.0 - bar, 500.0 - bar, 1, 0});
  }
  Feed(h, {401, 1, 99, 100, 99, 100, 1, 0});
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 500.0 - (401 - 298) + 1);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 99.0);
}

TEST(MarketMap, RecalculatesOnNewBarsOnlyAndKeepsStaleBins) {
  const int32_t h = test::Create("MARKETMAP");
  ZEB_IndicatorSetParameter(h, 0, 150);
  ZEB_IndicatorSetParameter(h, 2, 1);
  Feed(h, {1, 1, 10, 30, 10, 20, 5, 5});
  Feed(h, {2, 1, 10, 12, 11, 11, 5, 5});
  const double bin120 = ZEB_IndicatorValue(h, 220);
  const double mark120 = ZEB_IndicatorValue(h, 620);
  EXPECT_GT(bin120, 0.0);
  Feed(h, {2, 1, 10, 90, 1, 2, 500, 5});  // same bar: nothing recomputed
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 10.0);
  ZEB_IndicatorSetParameter(h, 0, 100);
  Feed(h, {3, 1, 10, 11, 10, 11, 5, 5});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 1.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 220), bin120);
  EXPECT_EQ(ZEB_IndicatorValue(h, 620), mark120);
}

TEST(MarketMap, BinCountOneMarksNothing) {
  const int32_t h = test::Create("MARKETMAP");
  ZEB_IndicatorSetParameter(h, 0, -3);
  ZEB_IndicatorSetParameter(h, 2, 1);
  Feed(h, {1, 1, 5, 5, 5, 5, 10, 0});
  Feed(h, {2, 1, 5, 5, 5, 5, 10, 0});
  EXPECT_EQ(Instance(h).binCount, 1);
  EXPECT_EQ(ZEB_IndicatorValue(h, 100), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 500), 0.0);
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(MarketMap, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("MARKETMAP", {{0, 40}, {2, 60}}, {{0, 1}, {100, 299}, {500, 699}}),
            0x5db5f60855b13869ULL);
  EXPECT_EQ(test::OutputDigest("MARKETMAP", {{0, 199}, {1, 299}}, {{0, 1}, {100, 299}, {500, 699}}),
            0x6e95b2318704a44bULL);
}

}  // namespace
}  // namespace zeb
