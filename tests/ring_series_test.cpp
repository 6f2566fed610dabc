#include "core/ring_series.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zeb {
namespace {

using Pairs = std::vector<std::pair<double, double>>;

Pairs WalkWith(const RingSeries& a, const RingSeries& b, int32_t first, int32_t count) {
  Pairs seen;
  a.ForEachBackWith(b, first, count, [&seen](double x, double y) { seen.emplace_back(x, y); });
  return seen;
}

Pairs GetPairs(const RingSeries& a, const RingSeries& b, int32_t first, int32_t count) {
  Pairs expected;
  for (int32_t k = first; k < first + count; ++k) expected.emplace_back(a.Get(k), b.Get(k));
  return expected;
}

// Two series pushed together (one shared slot) and two out of step or of
// different capacities: every window, inside and outside the contract, reads
// pairwise what Get reads.
TEST(RingSeries, ForEachBackWithReadsWhatGetReads) {
  for (int32_t pushes = 0; pushes <= 12; ++pushes) {
    RingSeries a(5), together(5), ahead(5), wider(6);
    ahead.Push(-1.0);
    for (int32_t v = 1; v <= pushes; ++v) {
      a.Push(v);
      together.Push(10.0 * v);
      ahead.Push(100.0 * v);
      wider.Push(1000.0 * v);
    }
    for (int32_t first = -3; first <= 8; ++first) {
      for (int32_t count = 0; count <= 9; ++count) {
        for (const RingSeries* b : {&together, &ahead, &wider}) {
          ASSERT_EQ(WalkWith(a, *b, first, count), GetPairs(a, *b, first, count))
              << pushes << " pushes, first " << first << ", count " << count;
        }
      }
    }
  }
}

// The stretches of a window inside the contract, read newest element first,
// give what Get gives; outside it (or without storage) there are none.
TEST(RingSeries, StretchesHoldWhatGetReads) {
  for (int32_t pushes = 0; pushes <= 12; ++pushes) {
    RingSeries s(5);
    for (int32_t v = 1; v <= pushes; ++v) s.Push(v);
    for (int32_t first = -3; first <= 8; ++first) {
      for (int32_t count = -1; count <= 9; ++count) {
        RingSeries::Stretch stretches[2];
        const int32_t n = s.Stretches(first, count, stretches);
        const bool inside = count <= 0 || (first >= 0 && first + count - 1 <= s.Capacity());
        ASSERT_EQ(n >= 0, inside) << first << ", " << count;
        if (n <= 0) {
          EXPECT_EQ(n, inside ? 0 : -1);
          continue;
        }
        std::vector<double> seen;
        for (int32_t i = n - 1; i >= 0; --i) {
          for (int32_t j = stretches[i].count - 1; j >= 0; --j)
            seen.push_back(stretches[i].data[j]);
        }
        std::vector<double> expected;
        for (int32_t k = first; k < first + count; ++k) expected.push_back(s.Get(k));
        ASSERT_EQ(seen, expected) << pushes << " pushes, first " << first << ", count " << count;
      }
    }
  }
}

TEST(RingSeries, NewestIsGetZero) {
  IntRingSeries s(3);
  EXPECT_EQ(s.Newest(), 0);
  for (int32_t v = 1; v <= 7; ++v) {
    s.Push(v);
    EXPECT_EQ(s.Newest(), s.Get(0));
  }
  s.SetCurrent(9);
  EXPECT_EQ(s.Newest(), 9);
}

}  // namespace
}  // namespace zeb
