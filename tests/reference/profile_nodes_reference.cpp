#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "components/profile_parts.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "components/single_precision.h"

namespace zeb {
namespace profile {
namespace {

constexpr int32_t kPeakPercent = 60;
constexpr int32_t kFullPercent = 100;
// Peak bins carry a mark no node number can take (node numbers count from 1).
constexpr int32_t kPeakMark = -1;

// Whole percentage, truncated toward zero; NaN counts as an empty bin.
int32_t Percent(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(value);
}

void Append(int32_t* list, int32_t& count, int32_t bin) {
  if (count < ProfileNodes::kCapacity) list[count++] = bin;
}

// Sets out[0..count - 1] to v, four at a time where SSE2 is available.
void FillInts(int32_t* out, int32_t count, int32_t v) {
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128i four = _mm_set1_epi32(v);
  for (; k + 3 < count; k += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), four);
#endif
  for (; k < count; ++k) out[k] = v;
}

// out[r] = whole percentage of value[r] / largest for r < count; x / 1.0 is
// x, so a largest of 1.0 divides nothing. Two at a time where SSE2 is
// available and every percentage lies inside the 32-bit range (there
// truncation needs no guard); count is rounded up to even.
void Percents(const double* value, int32_t count, double largest, int32_t* out) {
  const bool unit = largest == 1.0;
#if defined(__SSE2__)
  const __m128d divisor = _mm_set1_pd(largest);
  const __m128d hundred = _mm_set1_pd(100.0);
  const __m128d low = _mm_set1_pd(-2147483648.0);
  const __m128d high = _mm_set1_pd(2147483647.0);
  int inRange = 3;
  for (int32_t r = 0; r < count; r += 2) {
    __m128d x = _mm_loadu_pd(value + r);
    if (!unit) x = _mm_div_pd(x, divisor);
    x = _mm_mul_pd(x, hundred);
    inRange &= _mm_movemask_pd(_mm_and_pd(_mm_cmpgt_pd(x, low), _mm_cmplt_pd(x, high)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r), _mm_cvttpd_epi32(x));
  }
  if (inRange == 3) return;
#endif
  for (int32_t r = 0; r < count; ++r)
    out[r] = Percent((unit ? value[r] : value[r] / largest) * 100);
}

// Runs of bins with equal whole percentages of the largest bin, with the
// mean percentage of all bins.
struct PercentRuns {
  int32_t start[kMaxSegmentBins + 1];
  int32_t percent[kMaxSegmentBins];
  int32_t count = 0;
  double mean = 0.0;

  PercentRuns(const ProfileRuns& runs, int32_t binCount) {
    double largest = runs.value[0];
    for (int32_t r = 1; r < runs.count && !runs.largestIsOne; ++r) {
      if (runs.value[r] > largest) largest = runs.value[r];
    }
    if (runs.largestIsOne) largest = 1.0;
    if (largest == 0.0) largest = 1.0;
    int32_t percents[kMaxSegmentBins + 1];
    Percents(runs.value, runs.count, largest, percents);
    // The percentages are whole numbers, so their sum as doubles is exact in
    // any order (200 of them stay far below 2^53): it is formed as an integer.
    int64_t sum = 0;
    int32_t previous = 0;
    for (int32_t r = 0; r < runs.count; ++r) {
      const int32_t p = percents[r];
      sum += int64_t{p} * (runs.start[r + 1] - runs.start[r]);
      // Runs of equal percentages merge; no branch, as in ProfileRuns.
      const bool begins = r == 0 || p != previous;
      previous = p;
      start[count] = runs.start[r];
      percent[count] = p;
      count += static_cast<int32_t>(begins);
    }
    start[count] = binCount;
    mean = static_cast<double>(sum) / binCount;
  }
};

// Node segmentation over runs of equal percentages. Within a run every bin
// but the first has direction 0, so the walks that grow a node can stop only
// at a marked bin (found in a bit set) or at the first bin of a run (found by
// stepping over runs; the runs stepped over join the node, so each is stepped
// over about once). Marks are per bin.
class NodeGrower {
 public:
  NodeGrower(const PercentRuns& runs, int32_t binCount) : runs_(runs), binCount_(binCount) {
    FillInts(mark_, binCount, 0);
  }

  // Grows every node, fullest peak first, the lowest bin first among equals:
  // runs of at least 60 percent in that order, each until it has no unmarked
  // bin left (marks are only ever added). The last bin is never a peak.
  void GrowAll() {
    int32_t order[kMaxSegmentBins];
    const int32_t candidates = OrderCandidates(order);
    for (int32_t c = 0; c < candidates; ++c) {
      const int32_t to = std::min(runs_.start[order[c] + 1], binCount_ - 1) - 1;
      for (int32_t peak = marked_.LowestClearIn(runs_.start[order[c]], to); peak >= 0;
           peak = marked_.LowestClearIn(peak + 1, to)) {
        Grow(peak, order[c]);
      }
    }
  }

  // Peaks, and bounds where one node gives way to the next. Marks change only
  // at the edges of the marked stretches and around peaks, so only those bins
  // are looked at.
  void Write(ProfileNodes& nodes) const {
    nodes.peakCount = 0;
    nodes.bounds[0] = 0;
    nodes.boundCount = 1;
    const int32_t last = binCount_ - 1;
    for (int32_t i = changes_.LowestIn(1, last); i >= 0; i = changes_.LowestIn(i + 1, last)) {
      if (mark_[i] == kPeakMark) {
        Append(nodes.peaks, nodes.peakCount, i);
      } else if (mark_[i] != mark_[i - 1] && mark_[i - 1] != kPeakMark) {
        Append(nodes.bounds, nodes.boundCount, i);
      }
    }
    Append(nodes.bounds, nodes.boundCount, last);
  }

 private:
  // The runs that may hold a peak (at least 60 percent, not only the last
  // bin), fullest first and lower runs first among equals. Percentages up to
  // 100 are bucketed; a profile with larger ones (only negative volumes give
  // those) is sorted.
  int32_t OrderCandidates(int32_t* order) const {
    constexpr int32_t kBuckets = kFullPercent - kPeakPercent + 1;
    // One spare bucket past the end counts what is not bucketed.
    int32_t bucketStart[kBuckets + 2] = {};
    int32_t count = 0;
    bool beyondFull = false;
    // No branch on eligibility: it varies from run to run.
    for (int32_t r = 0; r < runs_.count; ++r) {
      const int32_t p = runs_.percent[r];
      const bool eligible = p >= kPeakPercent && runs_.start[r] < binCount_ - 1;
      order[count] = r;
      count += static_cast<int32_t>(eligible);
      beyondFull = beyondFull || (eligible && p > kFullPercent);
      ++bucketStart[eligible && p <= kFullPercent ? kFullPercent - p + 1 : kBuckets + 1];
    }
    const int32_t* percent = runs_.percent;
    if (beyondFull) {
      std::sort(order, order + count, [percent](int32_t a, int32_t b) {
        return percent[a] != percent[b] ? percent[a] > percent[b] : a < b;
      });
      return count;
    }
    for (int32_t b = 1; b <= kBuckets; ++b) bucketStart[b] += bucketStart[b - 1];
    int32_t sorted[kMaxSegmentBins];
    for (int32_t c = 0; c < count; ++c) {
      sorted[bucketStart[kFullPercent - percent[order[c]]]++] = order[c];
    }
    std::copy(sorted, sorted + count, order);
    return count;
  }

  // Whether the first bin of run q (q >= 1) lies below the mean and falls
  // from, or rises from, run q - 1 (neighbouring runs differ).
  bool Falls(int32_t q) const {
    return runs_.percent[q] < runs_.mean && runs_.percent[q] < runs_.percent[q - 1];
  }
  bool Rises(int32_t q) const {
    return runs_.percent[q] < runs_.mean && runs_.percent[q] > runs_.percent[q - 1];
  }

  // Grows the node of `peak`, a bin of run `run`.
  void Grow(int32_t peak, int32_t run) {
    // Left: down to an earlier node or a falling bin below the mean, which
    // joins this node; bin 0 at the latest.
    int32_t left = 0;
    if (peak >= 2) {
      left = std::max(marked_.HighestIn(1, peak - 1), 0);
      for (int32_t q = run; q >= 1 && runs_.start[q] > left; --q) {
        if (runs_.start[q] < peak && Falls(q)) {
          left = runs_.start[q];
          break;
        }
      }
    }
    // Right: up to an earlier node or a rising bin below the mean, which
    // stays outside.
    int32_t right = marked_.LowestIn(peak + 1, binCount_ - 1);
    if (right < 0) right = binCount_;
    for (int32_t q = run + 1; q < runs_.count && runs_.start[q] < right; ++q) {
      if (Rises(q)) {
        right = runs_.start[q];
        break;
      }
    }
    FillInts(mark_ + left, right - left, node_);
    mark_[peak] = kPeakMark;
    ++node_;
    marked_.SetRange(left, right);
    changes_.Set(left);
    changes_.Set(right);
    changes_.Set(peak);
    changes_.Set(peak + 1);
  }

  const PercentRuns& runs_;
  int32_t binCount_;
  int32_t node_ = 1;
  BinBits marked_;
  int32_t mark_[kMaxSegmentBins];
  // Bins at which a mark may differ from the one before.
  BinBits changes_;
};

}  // namespace

void SegmentRuns(const ProfileRuns& runs, int32_t binCount, ProfileNodes& nodes) {
  const PercentRuns percents(runs, binCount);
  NodeGrower grower(percents, binCount);
  grower.GrowAll();
  grower.Write(nodes);
}

}  // namespace profile
}  // namespace zeb
