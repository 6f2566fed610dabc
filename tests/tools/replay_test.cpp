#include "replay.h"

#include <gtest/gtest.h>

#include "zeb_indicators.h"

namespace zebi {
namespace {

std::vector<Bar> Rising(int32_t count) {
  std::vector<Bar> bars;
  for (int32_t i = 0; i < count; ++i) {
    Bar b;
    b.number = i + 1;
    b.date = 20240102;
    b.open = 10 + i;
    b.high = 12 + i;
    b.low = 9 + i;
    b.close = 11 + i;
    bars.push_back(b);
  }
  return bars;
}

TEST(ZebiReplay, RecordsEveryOutputAfterEveryBar) {
  const zeb::IndicatorInfo& info = *FindIndicator("RATIO");
  ReplayOptions options;
  options.settings = {{2, 1}};  // signal = the ratio itself
  const Replay replay = RunReplay(info, Rising(6), options);
  ASSERT_EQ(replay.columns.size(), 2u);
  ASSERT_EQ(replay.values.size(), 12u);
  for (size_t bar = 0; bar < 6; ++bar) EXPECT_EQ(replay.Value(bar, 0), replay.Value(bar, 1));
  EXPECT_EQ(replay.Value(5, 0), ZEB_IndicatorValue(replay.handle, 0));
}

TEST(ZebiReplay, NoCalcBarsAreStoredWithoutCalculating) {
  const zeb::IndicatorInfo& info = *FindIndicator("RATIO");
  ReplayOptions options;
  options.noCalcEvery = 3;
  const Replay replay = RunReplay(info, Rising(9), options);
  for (size_t bar : {2u, 5u, 8u}) {
    EXPECT_EQ(replay.results[bar], 0);
    EXPECT_EQ(replay.Value(bar, 0), replay.Value(bar - 1, 0));
  }
  EXPECT_NE(replay.Value(3, 0), replay.Value(2, 0));
}

TEST(ZebiReplay, ProfileRunsAreNotRecordedPerBar) {
  for (const Column& c : RecordedColumns(*FindIndicator("MARKETMAP"))) EXPECT_LT(c.index, 100);
  const std::vector<Column> levels = RecordedColumns(*FindIndicator("STATICPCL"));
  ASSERT_EQ(levels.size(), 10u);
  EXPECT_EQ(levels[3].name, "pivot");
}

}  // namespace
}  // namespace zebi
