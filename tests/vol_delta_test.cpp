#include "indicators/vol_delta.h"

#include <gtest/gtest.h>

#include <limits>

#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Feed;

VolDelta& Instance(int32_t h) {
  return *static_cast<VolDelta*>(registry::Find(h));
}

void FiveBars(int32_t h) {
  const double volumes[5][2] = {{10, 4}, {3, 9}, {5, 5}, {8, 0}, {0, 2}};
  for (int32_t bar = 1; bar <= 5; ++bar) {
    Feed(h, {bar, 1, 10, 10, 10, 10, volumes[bar - 1][0], volumes[bar - 1][1]});
  }
}

TEST(VolDelta, SumsBothSidesOverTheWindow) {
  const int32_t h = test::Create("VOLDELTA");
  FiveBars(h);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 14.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 8.0);
  Feed(h, {5, 1, 10, 10, 10, 10, 0, 7});  // the fifth bar revised
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 14.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 13.0);
  Feed(h, {6, 1, 10, 10, 10, 10, 1, 0});  // the first bar leaves the window
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 9.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 13.0);
}

TEST(VolDelta, SmoothingMovesAtEveryCall) {
  const int32_t h = test::Create("VOLDELTA");
  ZEB_IndicatorSetParameter(h, 1, 3);
  Feed(h, {1, 1, 10, 10, 10, 10, 18, 2});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 8.0);
  Feed(h, {1, 1, 10, 10, 10, 10, 18, 2});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 12.0);
  Feed(h, {1, 1, 10, 10, 10, 10, 18, 2});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 14.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);
}

TEST(VolDelta, ParametersClampAndUnknownIndices) {
  const int32_t h = test::Create("VOLDELTA");
  EXPECT_EQ(Instance(h).window, 5);
  EXPECT_EQ(Instance(h).smoothingLength, 1);
  ZEB_IndicatorSetParameter(h, 0, 0);
  ZEB_IndicatorSetParameter(h, 1, 500);
  ZEB_IndicatorSetParameter(h, 2, 4);
  EXPECT_EQ(Instance(h).window, 1);
  EXPECT_EQ(Instance(h).smoothingLength, 299);
  ZEB_IndicatorSetParameter(h, 0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(Instance(h).window, 1);
  ZEB_IndicatorSetParameter(h, 0, 2147483647.0);
  EXPECT_EQ(Instance(h).window, 299);
  for (int32_t bar = 1; bar <= 400; ++bar) Feed(h, {bar, 1, 10, 10, 10, 10, 2, 1});
  EXPECT_EQ(Instance(h).imbalance.positiveSeries.Get(0), 1.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(VolDelta, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("VOLDELTA", {}, {{0, 1}}), 0x09f0fdd023ac6795ULL);
  EXPECT_EQ(test::OutputDigest("VOLDELTA", {{0, 299}, {1, 3}}, {{0, 1}}), 0x82f02ed7a180b009ULL);
}

}  // namespace
}  // namespace zeb
