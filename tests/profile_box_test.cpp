#include "components/profile_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace zeb {
namespace {

struct Box {
  double upper, peak, lower;
};

// Ten bins from 100 in steps of 1 unless told otherwise.
Box Find(const std::vector<double>& v, double low = 100.0, double high = 110.0) {
  Box b{-1, -1, -1};
  FindProfileBox(v.data(), static_cast<int32_t>(v.size()), low, high, b.upper, b.peak, b.lower);
  return b;
}

TEST(ProfileBox, AllZeroProfile) {
  const Box b = Find(std::vector<double>(10, 0.0));
  EXPECT_EQ(b.peak, 100.0);
  EXPECT_EQ(b.lower, 101.0);
  EXPECT_EQ(b.upper, 101.0);
}

TEST(ProfileBox, WalksStopAtOrBelowTheFlooredHalf) {
  // Peak 75: half 37. A bin of 37 stops a walk, 37.5 does not.
  const Box b = Find({0, 10, 37, 50, 75, 60, 37.5, 40, 37, 5});
  EXPECT_EQ(b.peak, 104.0);
  EXPECT_EQ(b.lower, 102.0);
  EXPECT_EQ(b.upper, 108.0);
  // The lower-indexed of two equal maxima is the peak.
  EXPECT_EQ(Find({0, 0, 100, 0, 0, 100, 0, 0, 0, 0}).peak, 102.0);
}

TEST(ProfileBox, EdgesAtTheEndsOfTheProfile) {
  // Peak in the last bin: the upper edge is `high`.
  const Box last = Find({0, 0, 0, 0, 0, 0, 0, 0, 40, 100});
  EXPECT_EQ(last.peak, 109.0);
  EXPECT_EQ(last.upper, 110.0);
  EXPECT_EQ(last.lower, 108.0);
  // Every bin left of the peak above half: bin 0 is never an edge.
  const Box left = Find({90, 90, 90, 100, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(left.lower, 101.0);
  EXPECT_EQ(left.upper, 104.0);
  // A peak in bin 0 keeps the lower edge at bin 1.
  const Box first = Find({100, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(first.peak, 100.0);
  EXPECT_EQ(first.lower, 101.0);
}

TEST(ProfileBox, DegenerateRangesAndCounts) {
  const Box flat = Find({0, 10, 100, 20, 0, 0, 0, 0, 0, 0}, 50.0, 50.0);
  EXPECT_EQ(flat.upper, 50.0);
  EXPECT_EQ(flat.peak, 50.0);
  EXPECT_EQ(flat.lower, 50.0);
  const Box empty = Find({}, 7.0, 9.0);
  EXPECT_EQ(empty.upper, 7.0);
  EXPECT_EQ(empty.peak, 7.0);
  EXPECT_EQ(empty.lower, 7.0);
}

}  // namespace
}  // namespace zeb
