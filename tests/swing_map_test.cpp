#include "indicators/swing_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "components/rsi_turn_detector.h"
#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Bar;
using test::Feed;

SwingMap& Instance(int32_t h) {
  return *static_cast<SwingMap*>(registry::Find(h));
}

// A wave whose midpoint turns every few bars.
Bar Wave(int32_t number) {
  const double mid = 100.0 + 10.0 * std::sin(number * 0.45) + 0.1 * number;
  return {number, 1, mid - 0.5, mid + 2.0, mid - 2.0, mid + 0.5, 100.0 + number % 7, 50.0};
}

// A bar whose midpoint never moves: it feeds the detector without a turn.
Bar Flat(int32_t number, double low, double high) {
  return {number, 1, 100.0, high, low, 100.0, 10.0, 0.0};
}

TEST(SwingMap, SwingEndsAreRecordedAlsoWithoutCalculation) {
  const int32_t h = test::Create("SWINGMAP");
  ZEB_IndicatorSetParameter(h, 4, 2);
  RsiTurnDetector reference;
  std::vector<int32_t> ends;
  for (int32_t bar = 1; bar <= 200; ++bar) {
    const Bar b = Wave(bar);
    if (bar % 2 == 0) {
      Feed(h, b);
    } else {
      test::FeedNoCalc(h, b);
    }
    // A same-bar revision reaches neither the detector nor the list.
    test::FeedNoCalc(h, {bar, 1, 500.0, 600.0, 1.0, 500.0});
    const int32_t code = reference.Update(b.open, b.high, b.low, b.close);
    if (code >= 2 || code <= -2) ends.insert(ends.begin(), bar);
  }
  ASSERT_GE(ends.size(), 3u);
  for (size_t i = 0; i < ends.size() && i < 20; ++i) {
    EXPECT_EQ(Instance(h).swingEnds[i], ends[i]) << i;
  }
}

TEST(SwingMap, DefaultWindowRunsBackToTheLastSwingEnd) {
  const int32_t h = test::Create("SWINGMAP");
  ZEB_IndicatorSetParameter(h, 0, 10);
  Feed(h, Flat(1, 90, 110));
  Feed(h, Flat(2, 95, 105));
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);  // no swing end yet: nothing computed
  Instance(h).swingEnds[0] = 2;
  Feed(h, Flat(3, 97, 103));
  Feed(h, Flat(4, 98, 101));
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 95.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 105.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 3), 2.0);
  // A swing end on the bar itself: the window is that bar alone.
  Instance(h).swingEnds[0] = 5;
  Feed(h, Flat(5, 99, 100));
  EXPECT_EQ(ZEB_IndicatorValue(h, 3), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 99.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 101), 1.0);
}

TEST(SwingMap, SelectorsPickTheWindowOrBlockIt) {
  const int32_t h = test::Create("SWINGMAP");
  for (int32_t bar = 1; bar <= 9; ++bar) Feed(h, Flat(bar, 100.0 - bar, 100.0 + bar));
  SwingMap& map = Instance(h);
  map.swingEnds[0] = 7;
  map.swingEnds[1] = 3;
  ZEB_IndicatorSetParameter(h, 1, 2);
  ZEB_IndicatorSetParameter(h, 2, 1);
  Feed(h, Flat(10, 100, 100));
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 7.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 3), 3.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 93.0);  // bars 3..7
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 107.0);
  // A selector naming a swing end not yet recorded blocks the calculation.
  ZEB_IndicatorSetParameter(h, 1, 3);
  Feed(h, Flat(11, 1, 200));
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 7.0);
  // Both ends at the newest bar: never computed.
  ZEB_IndicatorSetParameter(h, 1, 0);
  ZEB_IndicatorSetParameter(h, 2, 0);
  Feed(h, Flat(12, 1, 200));
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 93.0);
}

TEST(SwingMap, DistantSwingEndsAreReadWithinTheStoredBars) {
  const int32_t h = test::Create("SWINGMAP");
  const int32_t market = test::Create("MARKETMAP");
  ZEB_IndicatorSetParameter(market, 2, 298);
  for (int32_t bar = 1; bar <= 700; ++bar) {
    const Bar b = Flat(bar, 100.0 - bar % 13, 101.0 + bar % 29);
    test::FeedNoCalc(h, b);
    test::FeedNoCalc(market, b);
  }
  Instance(h).swingEnds[0] = 100;
  Instance(h).swingEnds[1] = 50;
  ZEB_IndicatorSetParameter(h, 1, 2);
  Feed(h, Flat(701, 90, 120));
  Feed(market, Flat(701, 90, 120));
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 651.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 3), 601.0);
  // Both ends lie beyond the stored bars: the window is bar 403 (298 back) alone.
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 100.0 - 403 % 13);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 101.0 + 403 % 29);
  // With the newest bar as one end the profile equals MarketMap's over 0..298.
  ZEB_IndicatorSetParameter(h, 1, 0);
  Feed(h, Flat(702, 95, 110));
  Feed(market, Flat(702, 95, 110));
  for (int32_t index : {0, 1, 100, 150, 199, 500, 530, 599}) {
    EXPECT_EQ(ZEB_IndicatorValue(h, index), ZEB_IndicatorValue(market, index)) << index;
  }
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(SwingMap, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("SWINGMAP", {{0, 40}, {2, 3}}, {{0, 3}, {100, 299}, {500, 699}}),
            0x1da107368549974cULL);
}

}  // namespace
}  // namespace zeb
