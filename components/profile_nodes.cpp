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
// Marks are bytes: node numbers count from 1, one per peak, and peaks are
// distinct bins below the last, so they stay below 200. Peak bins carry a
// mark no node number can take.
constexpr uint8_t kPeakMark = 0xff;
// Candidates that are put in order one by one rather than sorted.
constexpr int32_t kFewCandidates = 8;
// Nodes grown by picking the fullest candidate left before the candidates
// are put in order (NodeGrower::PickFullest).
constexpr int32_t kPicks = 6;
// The percentage of a candidate that can no longer hold a peak: below every
// candidate's (at least kPeakPercent).
constexpr int32_t kSpent = INT32_MIN;

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

// out[r] = whole percentage of value[r] / largest for r < count; x / 1.0 is
// x, so a largest of 1.0 divides nothing. Two at a time where SSE2 is
// available and every percentage lies inside the 32-bit range (there
// truncation needs no guard); count is rounded up to even.
#if defined(__SSE2__)
// The pairs of Percents, each divided first when `Divide`; false when a
// percentage lies outside the 32-bit range.
template <bool Divide>
bool PercentPairs(const double* value, int32_t count, double largest, int32_t* out) {
  const __m128d divisor = _mm_set1_pd(largest);
  const __m128d hundred = _mm_set1_pd(100.0);
  const __m128d low = _mm_set1_pd(-2147483648.0);
  const __m128d high = _mm_set1_pd(2147483647.0);
  int inRange = 3;
  for (int32_t r = 0; r < count; r += 2) {
    __m128d x = _mm_loadu_pd(value + r);
    if (Divide) x = _mm_div_pd(x, divisor);
    x = _mm_mul_pd(x, hundred);
    inRange &= _mm_movemask_pd(_mm_and_pd(_mm_cmpgt_pd(x, low), _mm_cmplt_pd(x, high)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r), _mm_cvttpd_epi32(x));
  }
  return inRange == 3;
}
#endif

void Percents(const double* value, int32_t count, double largest, int32_t* out) {
  const bool unit = largest == 1.0;
#if defined(__SSE2__)
  if (unit ? PercentPairs<false>(value, count, largest, out)
           : PercentPairs<true>(value, count, largest, out)) {
    return;
  }
#endif
  for (int32_t r = 0; r < count; ++r)
    out[r] = Percent((unit ? value[r] : value[r] / largest) * 100);
}

#if defined(__SSE2__)
// For each set of lanes of four (bit i for lane i), those lanes in order,
// and how many there are.
struct PackedLanes {
  int32_t lanes[16][4];
  int32_t count[16];
};

constexpr PackedLanes MakePackedLanes() {
  PackedLanes p{};
  for (int32_t bits = 0; bits < 16; ++bits) {
    int32_t n = 0;
    for (int32_t lane = 0; lane < 4; ++lane) {
      if ((bits >> lane) & 1) p.lanes[bits][n++] = lane;
    }
    p.count[bits] = n;
  }
  return p;
}

constexpr PackedLanes kPackedLanes = MakePackedLanes();
#endif

#if defined(__SSE2__)
// Inclusive prefix sums of x[0..count - 1], count a multiple of 4, four at
// a time: integer additions, exact in any order.
void PrefixSums(int32_t* x, int32_t count) {
  __m128i carry = _mm_setzero_si128();
  for (int32_t i = 0; i < count; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
    v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
    v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
    v = _mm_add_epi32(v, carry);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(x + i), v);
    carry = _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3));
  }
}
#else
void PrefixSums(int32_t* x, int32_t count) {
  for (int32_t i = 1; i < count; ++i) x[i] += x[i - 1];
}
#endif

// The first of the greatest of live[0..count - 1] (padded to a multiple of
// 4 with kSpent), or -1 when every one is kSpent.
int32_t FirstGreatest(const int32_t* live, int32_t count) {
#if defined(__SSE2__)
  const auto at = [live](int32_t k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(live + k));
  };
  __m128i greatest = _mm_set1_epi32(kSpent);
  for (int32_t k = 0; k < count; k += 4) {
    const __m128i v = at(k);
    const __m128i greater = _mm_cmpgt_epi32(v, greatest);
    greatest = _mm_or_si128(_mm_and_si128(greater, v), _mm_andnot_si128(greater, greatest));
  }
  int32_t lanes[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), greatest);
  const int32_t best = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
  if (best == kSpent) return -1;
  const __m128i wanted = _mm_set1_epi32(best);
  for (int32_t k = 0;; k += 4) {
    const int hit = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(at(k), wanted)));
    if (hit != 0) return k + __builtin_ctz(static_cast<unsigned>(hit));
  }
#else
  int32_t first = -1;
  for (int32_t k = 0; k < count; ++k) {
    if (live[k] != kSpent && (first < 0 || live[k] > live[first])) first = k;
  }
  return first;
#endif
}

// Spends live[k] for every k < count (rounded up to a multiple of 4) whose
// bin[k] lies in from..to - 1.
void SpendWithin(const int32_t* bin, int32_t count, int32_t from, int32_t to, int32_t* live) {
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi32(from - 1);
  const __m128i high = _mm_set1_epi32(to);
  const __m128i spent = _mm_set1_epi32(kSpent);
  for (int32_t k = 0; k < count; k += 4) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bin + k));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(live + k));
    const __m128i inside = _mm_and_si128(_mm_cmpgt_epi32(b, low), _mm_cmpgt_epi32(high, b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(live + k),
                     _mm_or_si128(_mm_and_si128(inside, spent), _mm_andnot_si128(inside, v)));
  }
#else
  for (int32_t k = 0; k < count; ++k) {
    if (bin[k] >= from && bin[k] < to) live[k] = kSpent;
  }
#endif
}

#if defined(__SSE2__)
// Bit i set where run q + i (of four, q >= 1) lies below the mean
// (belowMean) and rises from the run before (`Rises`), or falls to it
// (`Rises` false).
template <bool Rises>
int TurnBits(const int32_t* percent, int32_t q, int32_t belowMean) {
  const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(percent + q));
  const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(percent + q - 1));
  const __m128i turns = Rises ? _mm_cmpgt_epi32(p, before) : _mm_cmpgt_epi32(before, p);
  const __m128i low = _mm_cmpgt_epi32(_mm_set1_epi32(belowMean), p);
  return _mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(turns, low)));
}

// Bit i set where run q + i begins strictly between `low` and `high`.
int StartBits(const int32_t* start, int32_t q, int32_t low, int32_t high) {
  const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + q));
  return _mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(_mm_cmpgt_epi32(s, _mm_set1_epi32(low)),
                                                        _mm_cmpgt_epi32(_mm_set1_epi32(high), s))));
}
#endif

// The whole percentage of the largest bin of each run of the profile, with
// the mean percentage of all bins and the runs that may hold a peak.
// Neighbouring runs may share a percentage.
struct PercentRuns {
  const int32_t* start;
  // Padded: the four after the last run may be read (and are zero).
  int32_t percent[kMaxSegmentBins + 4];
  int32_t count = 0;
  double mean = 0.0;
  // A whole percentage p lies below the mean exactly when p < ceil(mean)
  // (the mean lies within the 32-bit range, as the percentages do).
  int32_t belowMean = 0;
  // Runs of at least 60 percent that begin before the last bin (which is
  // never a peak), lowest first; whether one of them exceeds 100 percent.
  // Padded: four at a time may be written.
  int32_t candidate[kMaxSegmentBins + 4];
  int32_t candidates = 0;
  bool beyondFull = false;

  PercentRuns(const ProfileRuns& runs, int32_t binCount) : start(runs.start), count(runs.count) {
    double largest = runs.value[0];
    for (int32_t r = 1; r < runs.count && !runs.largestIsOne; ++r) {
      if (runs.value[r] > largest) largest = runs.value[r];
    }
    if (runs.largestIsOne) largest = 1.0;
    if (largest == 0.0) largest = 1.0;
    Percents(runs.value, runs.count, largest, percent);
    mean = PercentSum(runs.start, percent, runs.count) / binCount;
    const auto truncated = static_cast<int32_t>(mean);
    belowMean = truncated + static_cast<int32_t>(truncated < mean);
    // Only the last run can begin at the last bin.
    GatherCandidates(count - static_cast<int32_t>(start[count - 1] >= binCount - 1));
  }

 private:
  // Runs 0..runCount - 1 of at least 60 percent, without a branch per run:
  // four at a time where SSE2 is available, the runs of each four that
  // qualify packed by kPackedLanes. A run beyond 100 percent qualifies.
  void GatherCandidates(int32_t runCount) {
    int32_t m = 0;
#if defined(__SSE2__)
    const auto at = [](int32_t* x) { return reinterpret_cast<__m128i*>(x); };
    _mm_storeu_si128(at(percent + count), _mm_setzero_si128());
    // The runs from runCount on read as zero (the pad, and for the while the
    // run left out), so the last four need no mask.
    const int32_t leftOut = percent[runCount];
    percent[runCount] = 0;
    const __m128i peak = _mm_set1_epi32(kPeakPercent - 1);
    const __m128i full = _mm_set1_epi32(kFullPercent);
    int beyond = 0;
    for (int32_t r = 0; r < runCount; r += 4) {
      const __m128i p = _mm_loadu_si128(at(percent + r));
      const int bits = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(p, peak)));
      beyond |= _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(p, full)));
      const __m128i lanes =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPackedLanes.lanes[bits]));
      _mm_storeu_si128(at(candidate + m), _mm_add_epi32(lanes, _mm_set1_epi32(r)));
      m += kPackedLanes.count[bits];
    }
    percent[runCount] = leftOut;
    beyondFull = beyond != 0;
#else
    int32_t fullest = 0;
    for (int32_t r = 0; r < runCount; ++r) {
      candidate[m] = r;
      m += static_cast<int32_t>(percent[r] >= kPeakPercent);
      fullest = std::max(fullest, percent[r]);
    }
    beyondFull = fullest > kFullPercent;
#endif
    candidates = m;
  }

  // The sum of the percentages of all bins. They are whole numbers, so their
  // sum as doubles is exact in any order: every product of a percentage and
  // a run length, and every partial sum, stays below 2^31 * 200 < 2^53 in
  // magnitude.
  static double PercentSum(const int32_t* runStart, const int32_t* percents, int32_t runCount) {
    int32_t r = 0;
    double sum = 0.0;
#if defined(__SSE2__)
    __m128d pairs = _mm_setzero_pd();
    __m128d upper = _mm_setzero_pd();
    // Runs of one bin each (as many runs as bins): the percentages alone,
    // four at a time.
    for (; runStart[runCount] == runCount && r + 3 < runCount; r += 4) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(percents + r));
      pairs = _mm_add_pd(pairs, _mm_cvtepi32_pd(p));
      upper = _mm_add_pd(upper, _mm_cvtepi32_pd(_mm_shuffle_epi32(p, _MM_SHUFFLE(1, 0, 3, 2))));
    }
    pairs = _mm_add_pd(pairs, upper);
    for (; r + 1 < runCount; r += 2) {
      const __m128i from = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(runStart + r));
      const __m128i to = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(runStart + r + 1));
      const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(percents + r));
      pairs = _mm_add_pd(pairs,
                         _mm_mul_pd(_mm_cvtepi32_pd(p), _mm_cvtepi32_pd(_mm_sub_epi32(to, from))));
    }
    double lanes[2];
    _mm_storeu_pd(lanes, pairs);
    sum = lanes[0] + lanes[1];
#endif
    for (; r < runCount; ++r) {
      sum += static_cast<double>(percents[r]) * (runStart[r + 1] - runStart[r]);
    }
    return sum;
  }
};

// Node segmentation over runs of equal percentages. Within a run every bin
// but the first has direction 0 (and so has the first when it equals the run
// before), so the walks that grow a node can stop only
// at a marked bin (found in a bit set) or at the first bin of a run (found by
// stepping over runs; the runs stepped over join the node, so each is stepped
// over about once). Marks are per bin.
class NodeGrower {
 public:
  NodeGrower(const PercentRuns& runs, int32_t binCount) : runs_(runs), binCount_(binCount) {}

  // Grows every node, fullest peak first, the lowest bin first among equals:
  // runs of at least 60 percent in that order, each until it has no unmarked
  // bin left (marks are only ever added). The last bin is never a peak.
  // Neighbouring runs of one percentage come one after the other in that
  // order, so their bins are taken lowest first, as if they were one run.
  void GrowAll() {
    if (runs_.candidates > kFewCandidates && runs_.start[runs_.count] == runs_.count &&
        PickFullest()) {
      return;
    }
    int32_t order[kMaxSegmentBins];
    const int32_t candidates = OrderCandidates(order);
    for (int32_t c = 0; c < candidates; ++c) {
      const int32_t from = runs_.start[order[c]];
      const int32_t to = std::min(runs_.start[order[c] + 1], binCount_ - 1) - 1;
      // A run of one bin needs no search.
      const int32_t first =
          from == to ? (marked_.Has(from) ? -1 : from) : marked_.LowestClearIn(from, to);
      for (int32_t peak = first; peak >= 0; peak = marked_.LowestClearIn(peak + 1, to)) {
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
    changes_.ForEachIn(1, last, [this, &nodes](int32_t i) {
      const int32_t mark = Mark(i);
      const int32_t before = Mark(i - 1);
      if (mark == kPeakMark) {
        Append(nodes.peaks, nodes.peakCount, i);
      } else if (mark != before && before != kPeakMark) {
        Append(nodes.bounds, nodes.boundCount, i);
      }
    });
    Append(nodes.bounds, nodes.boundCount, last);
  }

 private:
  // The candidate runs, fullest first and lower runs first among equals.
  // A few are put in place one by one; more percentages up to 100 are
  // counted into buckets; a profile with larger ones (only negative volumes
  // give those) is sorted.
  int32_t OrderCandidates(int32_t* order) const {
    // Buckets by 100 - percent, padded to a multiple of 4.
    constexpr int32_t kBuckets = 44;
    const int32_t count = runs_.candidates;
    const int32_t* percent = runs_.percent;
    std::copy(runs_.candidate, runs_.candidate + count, order);
    if (count <= kFewCandidates) {
      // Each moves down past the runs of smaller percentages only, so equals
      // keep their order.
      for (int32_t c = 1; c < count; ++c) {
        const int32_t r = order[c];
        int32_t d = c;
        for (; d > 0 && percent[order[d - 1]] < percent[r]; --d) order[d] = order[d - 1];
        order[d] = r;
      }
      return count;
    }
    if (runs_.beyondFull) {
      std::sort(order, order + count, [percent](int32_t a, int32_t b) {
        return percent[a] != percent[b] ? percent[a] > percent[b] : a < b;
      });
      return count;
    }
    // bucketEnd[b + 1] counts bucket b, then (summed) where bucket b + 1 begins.
    int32_t bucketEnd[kBuckets + 1] = {};
    for (int32_t c = 0; c < count; ++c) ++bucketEnd[kFullPercent - percent[order[c]] + 1];
    PrefixSums(bucketEnd + 1, kBuckets);
    for (int32_t c = 0; c < count; ++c) {
      const int32_t r = runs_.candidate[c];
      order[bucketEnd[kFullPercent - percent[r]]++] = r;
    }
    return count;
  }

  // GrowAll for a profile of one bin per run (candidate runs are their own
  // bins), while it grows few nodes: up to kPicks times, the fullest
  // candidate still unmarked (the lowest among equals) is grown, which is
  // the next one GrowAll's order would grow, every candidate before it in
  // that order being marked; the candidates inside the node just grown are
  // spent with it. True when no candidate is left; else GrowAll goes on in
  // its order, passing over the candidates that are marked by now.
  bool PickFullest() {
    const int32_t count = runs_.candidates;
    // Percentages and bins of the candidates, padded.
    int32_t live[kMaxSegmentBins + 4];
    int32_t bins[kMaxSegmentBins + 4];
    for (int32_t c = 0; c < count; ++c) {
      bins[c] = runs_.candidate[c];
      live[c] = runs_.percent[bins[c]];
    }
    std::fill(live + count, live + count + 4, kSpent);
    std::fill(bins + count, bins + count + 4, 0);
    for (int32_t pick = 0; pick < kPicks; ++pick) {
      const int32_t c = FirstGreatest(live, count);
      if (c < 0) return true;
      // Every marked bin lies in a node grown here, whose candidates were
      // spent with it: the fullest left is unmarked.
      const Node node = Grow(bins[c], bins[c]);
      SpendWithin(bins, count, node.left, node.right, live);
    }
    return false;
  }

  // The first bin of the highest run up to `run` that begins inside
  // left + 1..peak - 1 and falls (below the mean), or -1: the runs are
  // walked down until one begins at or below `left`, four at a time down to
  // run 4 where SSE2 is available.
  int32_t LastFalling(int32_t run, int32_t left, int32_t peak) const {
    const int32_t* start = runs_.start;
    int32_t q = run;
#if defined(__SSE2__)
    for (; q >= 4; q -= 4) {
      const int32_t b = q - 3;
      const int bits =
          TurnBits<false>(runs_.percent, b, runs_.belowMean) & StartBits(start, b, left, peak);
      if (bits != 0) return start[b + 31 - __builtin_clz(static_cast<unsigned>(bits))];
      if (start[b] <= left) return -1;
    }
#endif
    for (; q >= 1 && start[q] > left; --q) {
      if (start[q] < peak && Falls(q)) return start[q];
    }
    return -1;
  }

  // The first bin of the lowest run after `run` that begins below `right`
  // and rises (below the mean), or -1; four runs at a time where SSE2 is
  // available, the last few one by one (so that only runs are read).
  int32_t FirstRising(int32_t run, int32_t right) const {
    const int32_t* start = runs_.start;
    const int32_t count = runs_.count;
    int32_t q = run + 1;
#if defined(__SSE2__)
    for (; q + 3 < count; q += 4) {
      const int inside = StartBits(start, q, -1, right);
      const int bits = TurnBits<true>(runs_.percent, q, runs_.belowMean) & inside;
      if (bits != 0) return start[q + __builtin_ctz(static_cast<unsigned>(bits))];
      // Runs begin in ascending order: one at or past `right` ends the walk.
      if (inside != 15) return -1;
    }
#endif
    for (; q < count && start[q] < right; ++q) {
      if (Rises(q)) return start[q];
    }
    return -1;
  }

  // Whether the first bin of run q (q >= 1) lies below the mean and falls
  // from, or rises from, run q - 1 (the direction of that bin).
  bool Falls(int32_t q) const {
    return runs_.percent[q] < runs_.mean && runs_.percent[q] < runs_.percent[q - 1];
  }
  bool Rises(int32_t q) const {
    return runs_.percent[q] < runs_.mean && runs_.percent[q] > runs_.percent[q - 1];
  }

  // The bins left..right - 1 that a node took.
  struct Node {
    int32_t left;
    int32_t right;
  };

  // Grows the node of `peak`, a bin of run `run`.
  Node Grow(int32_t peak, int32_t run) {
    // Left: down to an earlier node or a falling bin below the mean, which
    // joins this node; bin 0 at the latest.
    int32_t left = 0;
    if (peak >= 2) {
      left = std::max(marked_.HighestIn(1, peak - 1), 0);
      const int32_t falling = LastFalling(run, left, peak);
      if (falling >= 0) left = falling;
    }
    // Right: up to an earlier node or a rising bin below the mean, which
    // stays outside.
    int32_t right = marked_.LowestIn(peak + 1, binCount_ - 1);
    if (right < 0) right = binCount_;
    const int32_t rising = FirstRising(run, right);
    if (rising >= 0) right = rising;
    std::memset(mark_ + left, node_, static_cast<size_t>(right - left));
    mark_[peak] = kPeakMark;
    ++node_;
    marked_.SetRange(left, right);
    changes_.Set(left);
    changes_.Set(right);
    changes_.Set(peak);
    changes_.Set(peak + 1);
    return {left, right};
  }

  // The mark of bin i: 0 for a bin no node has reached (mark_ holds only
  // the marks set).
  int32_t Mark(int32_t i) const {
    return marked_.Has(i) ? mark_[i] : 0;
  }

  const PercentRuns& runs_;
  int32_t binCount_;
  int32_t node_ = 1;
  BinBits marked_;
  uint8_t mark_[kMaxSegmentBins];
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
