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
