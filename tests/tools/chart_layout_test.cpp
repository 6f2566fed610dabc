#include "chart_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zebi {
namespace {

using namespace chart_px;

TEST(ChartLayout, PriceRangeTakesNearbyOverlaysOnly) {
  // 0 (unpublished), NaN and a level far from the candles leave the range alone.
  const ValueRange r = PriceRange({100, 110}, {0.0, std::nan(""), 500, 114, 97});
  const double pad = (114 - 97) * 0.03;
  EXPECT_DOUBLE_EQ(r.low, 97 - pad);
  EXPECT_DOUBLE_EQ(r.high, 114 + pad);
  // Flat candles still get a range to divide by.
  const ValueRange flat = PriceRange({5, 5}, {});
  EXPECT_GT(flat.high, flat.low);
}

TEST(ChartLayout, PaneRangeSpansTheLinesAndWidensAFlatOne) {
  const ValueRange r = PaneRange({-3, std::nan(""), 7, INFINITY});
  EXPECT_EQ(r.low, -3);
  EXPECT_EQ(r.high, 7);
  const ValueRange flat = PaneRange({2, 2});
  EXPECT_EQ(flat.low, 1);
  EXPECT_EQ(flat.high, 3);
  const ValueRange none = PaneRange({});
  EXPECT_EQ(none.low, -1);
  EXPECT_EQ(none.high, 1);
}

TEST(ChartLayout, ScalesMapTheirEndsToTheirEdges) {
  const Scale s{{10, 20}, 100, 50};
  EXPECT_EQ(s.Y(20), 100);
  EXPECT_EQ(s.Y(10), 150);
  EXPECT_EQ(s.Y(15), 125);
  const Scale volume = VolumeScale(400);
  EXPECT_DOUBLE_EQ(volume.Y(0), kTop + kPriceHeight);  // bottom of the price area
  EXPECT_DOUBLE_EQ(volume.Y(400), kTop + kPriceHeight * (1 - kVolumeShare));
}

TEST(ChartLayout, TicksCarryTheirStep) {
  const Ticks t = ScaleTicks({101.18, 108.61}, 6);
  EXPECT_EQ(t.values, (std::vector<double>{102, 104, 106, 108}));
  EXPECT_EQ(t.step, 2);
  EXPECT_TRUE(ScaleTicks({1, 1}, 4).values.empty());
}

TEST(ChartLayout, PanesStackBelowThePriceArea) {
  LayoutInput input;
  input.bars = 100;
  input.candles = {1, 2};
  ChartLayout price = Layout(input);
  EXPECT_FALSE(price.hasPane);
  EXPECT_EQ(price.plotWidth, kWidth - kLeft - kRight);
  EXPECT_EQ(price.axis.step, price.plotWidth / 100);
  EXPECT_EQ(price.height, kTop + kPriceHeight + kBottom);
  EXPECT_EQ(price.Bottom(), kTop + kPriceHeight);

  input.hasProfile = true;
  input.hasLines = true;
  input.flagRows = 2;
  input.paneLines = {-1, 1};
  const ChartLayout both = Layout(input);
  EXPECT_EQ(both.plotWidth, kWidth - kLeft - kRight - kProfileWidth);
  EXPECT_EQ(both.paneTop, kTop + kPriceHeight + kGap);
  EXPECT_EQ(both.paneHeight, kPaneHeight);
  EXPECT_EQ(both.height, both.paneTop + kPaneHeight + kBottom);
  // Lines keep clear of the frame on top and of the flag rows below.
  EXPECT_EQ(both.pane.Y(1), both.paneTop + kPaneInset);
  EXPECT_EQ(both.pane.Y(-1), both.paneTop + kPaneHeight - kPaneInset - 2 * kFlagRow);

  input.hasLines = false;
  const ChartLayout flags = Layout(input);
  EXPECT_TRUE(flags.hasPane);
  EXPECT_EQ(flags.paneHeight, kFlagRow * 3);  // one row each and a margin
}

TEST(ChartLayout, WarmupShadesOnlyItsBarsInView) {
  const BarAxis axis{kLeft, 4};
  EXPECT_FALSE(WarmupSpan(axis, 30, 50, 100));  // over before the first bar shown
  const auto part = WarmupSpan(axis, 60, 50, 100);
  ASSERT_TRUE(part);
  EXPECT_EQ(part->left, kLeft);
  EXPECT_EQ(part->width, 40);
  EXPECT_EQ(WarmupSpan(axis, 500, 50, 100)->width, 400);  // all of them
}

TEST(ChartLayout, ProfileWindowAndItsLabel) {
  const BarAxis axis{kLeft, 2};
  const auto wide = ProfileWindow(axis, 120, 0, 80);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->span.left, axis.Start(39));
  EXPECT_EQ(wide->span.width, 81 * 2);
  EXPECT_TRUE(wide->labelInside);
  EXPECT_EQ(wide->labelX, wide->span.left + kLabelPad);
  const auto narrow = ProfileWindow(axis, 120, 0, 3);
  ASSERT_TRUE(narrow);
  EXPECT_FALSE(narrow->labelInside);
  EXPECT_EQ(narrow->labelX, narrow->span.left - kLabelPad);
  // Clipped to the bars shown; nothing when it lies before them or is unknown.
  EXPECT_EQ(ProfileWindow(axis, 10, 2, 500)->span.left, axis.Start(0));
  EXPECT_FALSE(ProfileWindow(axis, 10, 10, 20));
  EXPECT_FALSE(ProfileWindow(axis, 10, -1, -1));
  EXPECT_FALSE(ProfileWindow(axis, 0, 0, 0));
}

TEST(ChartLayout, LegendEntriesGiveWayAtTheRightEdge) {
  const LegendPlacement two = PlaceLegend({4, 10});
  ASSERT_EQ(two.x.size(), 2u);
  EXPECT_EQ(two.x[0], kLeft);
  EXPECT_EQ(two.x[1], kLeft + kLegendEntry + 4 * kLegendCharWidth);
  EXPECT_FALSE(two.truncated);
  const LegendPlacement many = PlaceLegend(std::vector<size_t>(40, 20));
  EXPECT_TRUE(many.truncated);
  ASSERT_FALSE(many.x.empty());
  const double entry = kLegendEntry + 20 * kLegendCharWidth;
  EXPECT_EQ(many.ellipsisX, many.x.back() + entry);
  EXPECT_GT(many.ellipsisX + entry, kWidth - kRight);
}

TEST(ChartLayout, EdgeMarksStackOnTheirEdge) {
  LayoutInput input;
  input.bars = 10;
  input.candles = {100, 110};
  const ChartLayout layout = Layout(input);
  const std::vector<EdgeMark> marks = PlaceEdgeMarks({105, 1000, 0.0, 2000, 1, NAN}, layout);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0].index, 1u);
  EXPECT_TRUE(marks[0].above);
  EXPECT_EQ(marks[0].y, kTop + kEdgeMarkFirst);
  EXPECT_EQ(marks[1].index, 3u);
  EXPECT_EQ(marks[1].y, kTop + kEdgeMarkFirst + kEdgeMarkRow);
  EXPECT_EQ(marks[2].index, 4u);
  EXPECT_FALSE(marks[2].above);
  EXPECT_EQ(marks[2].y, layout.price.top + layout.price.height - kEdgeMarkLast);
  EXPECT_EQ(marks[2].x, kLeft + layout.plotWidth - kEdgeMarkSize / 2);
}

TEST(ChartLayout, ProfileBinsSitAtTheirPrices) {
  // Bin b covers low + (b - 1) * size up to one size higher.
  const std::vector<ValueRange> bins = ProfileBins(5, 100, 108);
  ASSERT_EQ(bins.size(), 5u);
  EXPECT_EQ(bins[0].low, 98);
  EXPECT_EQ(bins[0].high, 100);
  EXPECT_EQ(bins[4].low, 106);
  EXPECT_EQ(bins[4].high, 108);
  const std::vector<ValueRange> one = ProfileBins(1, 50, 50);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].low, 50);
  EXPECT_GT(one[0].high, 50);
}

}  // namespace
}  // namespace zebi
