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

// The largest of the rounded values as DivideRoundAndFindLargest scans them, from
// the largest of two lanes that each scanned a subsequence of them in order
// (both lanes starting from value 0): each lane holds the first of its
// greatest values, and the strictly greater lane holds the overall one. Lanes
// equal in value but not in bits (+0.0 and -0.0) leave it open: false (a
// zero largest becomes 1.0 either way, but the scan stays exact).
bool SettleLanes(const double* lanes, double& largest) {
  if (lanes[1] > lanes[0] || lanes[0] > lanes[1] || SameBits(lanes[0], lanes[1])) {
    largest = lanes[1] > lanes[0] ? lanes[1] : lanes[0];
    return true;
  }
  return false;
}

// The largest of value[0..count - 1]: value[0] first, replaced only by a
// strictly greater value.
double ScanLargest(const double* value, int32_t count) {
  double largest = value[0];
  for (int32_t r = 1; r < count; ++r) {
    if (value[r] > largest) largest = value[r];
  }
  return largest;
}

#if defined(__SSE2__)
// The largest of value[0..count - 1], from two lanes that each scanned a
// subsequence of value[0..scanned - 1] in order, both from value[0] on, with
// MAXPD (x > m ? x : m, the scalar step); the values after them are scanned
// by lane 0. As SettleLanes decides it, else scanned anew.
double LargestOfLanes(__m128d lanes, const double* value, int32_t scanned, int32_t count) {
  double lane[2];
  _mm_storeu_pd(lane, lanes);
  for (int32_t k = scanned; k < count; ++k) {
    if (value[k] > lane[0]) lane[0] = value[k];
  }
  double largest = 0.0;
  if (SettleLanes(lane, largest)) return largest;
  return ScanLargest(value, count);
}
#endif

// Divides value[0..count - 1] by `total` and rounds each quotient to single
// precision as RoundToSingle does, and returns the largest (value[0] first,
// replaced only by a strictly greater value). Pairs are divided and rounded
// together where SSE2 is available and every quotient is below 2^127 in
// magnitude (BelowSingleLimit), and scanned in two lanes (LargestOfLanes).
// Packed and scalar divisions round alike.
double DivideRoundAndFindLargest(double* value, int32_t count, double total) {
  value[0] = RoundToSingle(value[0] / total);
  int32_t k = 1;
#if defined(__SSE2__)
  const __m128d divisor = _mm_set1_pd(total);
  __m128d lanes = _mm_set1_pd(value[0]);
  for (; k + 1 < count; k += 2) {
    const __m128d q = _mm_div_pd(_mm_loadu_pd(value + k), divisor);
    if (BelowSingleLimit(q) != 3) break;
    const __m128d rounded = RoundPairToSingle(q);
    _mm_storeu_pd(value + k, rounded);
    lanes = _mm_max_pd(rounded, lanes);
  }
  if (k + 1 >= count) {
    // The value left over after the pairs is the last of lane 0.
    const int32_t scanned = k;
    for (; k < count; ++k) value[k] = RoundToSingle(value[k] / total);
    return LargestOfLanes(lanes, value, scanned, count);
  }
#endif
  for (; k < count; ++k) value[k] = RoundToSingle(value[k] / total);
  return ScanLargest(value, count);
}

// Bins written at once by ProfileRuns::FillRuns.
constexpr int32_t kBlock = 16;

// 2^e for e within the normal double range.
double PowerOfTwo(int32_t e) {
  const uint64_t bits = static_cast<uint64_t>(e + 1023) << 52;
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The prefix sums of `steps` in units of `unit`, one run per bin (for
// profiles whose bars outnumber their bins, most bins differ). Bins start at
// zero, so a bin no share reached stays +0.0.
void StepRuns(const int64_t* steps, int32_t binCount, double unit, ProfileRuns& runs) {
  int64_t units = 0;
  for (int32_t i = 0; i < binCount; ++i) {
    units += steps[i];
    runs.start[i] = i;
    runs.value[i] = static_cast<double>(units) * unit;
  }
  runs.count = binCount;
  runs.start[binCount] = binCount;
}

// StepRuns with each bin divided by `total` and rounded to single precision
// in the same pass, bins i and i + 1 together, as DivideRoundAndFindLargest
// divides, rounds and scans the runs StepRuns gives (every element the same
// operations; the pairing of the lanes does not change the largest, see
// SettleLanes); returns that largest in `largest`. False, the bins then left
// as StepRuns gives them, when a quotient is not below 2^127 in magnitude,
// binCount is below 2 or SSE2 is missing.
bool DividedStepRuns(const int64_t* steps, int32_t binCount, double unit, double total,
                     ProfileRuns& runs, double& largest) {
#if defined(__SSE2__)
  if (binCount >= 2) {
    const __m128d scale = _mm_set1_pd(unit);
    const __m128d divisor = _mm_set1_pd(total);
    const __m128i two = _mm_set1_epi32(2);
    __m128i index = _mm_setr_epi32(0, 1, 0, 0);
    __m128d lanes = _mm_setzero_pd();
    int below = 3;
    int64_t units = 0;
    int32_t i = 0;
    for (; i + 1 < binCount; i += 2) {
      const int64_t lower = units + steps[i];
      units = lower + steps[i + 1];
      const __m128d bins =
          _mm_mul_pd(_mm_set_pd(static_cast<double>(units), static_cast<double>(lower)), scale);
      const __m128d q = _mm_div_pd(bins, divisor);
      below &= BelowSingleLimit(q);
      const __m128d rounded = RoundPairToSingle(q);
      _mm_storeu_pd(runs.value + i, rounded);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(runs.start + i), index);
      index = _mm_add_epi32(index, two);
      // Both lanes start from bin 0.
      lanes = _mm_max_pd(rounded, i == 0 ? _mm_unpacklo_pd(rounded, rounded) : lanes);
    }
    if (below == 3) {
      if (i < binCount) {
        runs.start[i] = i;
        runs.value[i] = RoundToSingle(static_cast<double>(units + steps[i]) * unit / total);
      }
      runs.count = binCount;
      runs.start[binCount] = binCount;
      largest = LargestOfLanes(lanes, runs.value, i, binCount);
      return true;
    }
  }
#else
  static_cast<void>(total);
  static_cast<void>(largest);
#endif
  StepRuns(steps, binCount, unit, runs);
  return false;
}

// Runs of the prefix sums, visiting only the bins in `edges` (which hold
// every non-zero step): for profiles with far fewer bars than bins.
void EdgeRuns(const int64_t* steps, const BinBits& edges, int32_t binCount, double unit,
              ProfileRuns& runs) {
  runs.count = 0;
  int64_t units = steps[0];
  runs.Add(0, static_cast<double>(units) * unit, true);
  const int32_t last = binCount - 1;
  edges.ForEachIn(1, last, [&](int32_t i) {
    units += steps[i];
    runs.Add(i, static_cast<double>(units) * unit, true);
  });
  runs.start[runs.count] = binCount;
}

// T below: the sum over the non-zero shares of 2^(e_k - least + 1).
int64_t Magnitude(const BarSpans& spans, int32_t least) {
  int64_t magnitude = 0;
  for (int32_t k = 0; k < spans.count; ++k) {
    const int32_t e = BarSpans::ExponentField(spans.share[k]);
    if (e != 0) magnitude += int64_t{2} << (e - least);
  }
  return magnitude;
}

// Adds the shares of bars from..upTo - 1 of `spans` to the steps (`sign`
// 1), or takes them off (-1). Checked, false when a share is not a whole
// number of units of magnitude at most 2^53 (the steps are then left half
// done); unchecked, the caller knows that every share is.
template <bool kChecked>
bool StepBars(const BarSpans& spans, int32_t from, int32_t upTo, int64_t sign, double toUnits,
              ExactSteps& steps) {
  constexpr double kLimit = 0x1p53;
  int64_t* step = steps.step;
  int64_t magnitude = 0;
  for (int32_t k = from; k < upTo; ++k) {
    const double x = spans.share[k] * toUnits;
    if (kChecked && !(std::fabs(x) <= kLimit)) return false;
    const auto units = static_cast<int64_t>(x);
    if (kChecked && static_cast<double>(units) != x) return false;
    step[spans.first[k]] += sign * units;
    step[spans.last[k] + 1] -= sign * units;
    magnitude += units < 0 ? -units : units;
  }
  steps.magnitude += sign * magnitude;
  return true;
}

// The steps of the bins in units of 2^(least - 1023 - 23), counted afresh,
// when the unit makes them exact (see ExactRuns). When `sparse`, only the
// steps at the spans' edges are set (the others are not read then).
bool CountSteps(const BarSpans& spans, int32_t binCount, bool sparse, ExactSteps& steps) {
  const BarSpans::ExponentRange exponents = spans.Exponents();
  if (exponents.greatest == BarSpans::kExponentField) return false;
  // With no non-zero share any unit will do.
  const int32_t least = exponents.greatest == 0 ? 1023 : exponents.least;
  const int32_t spread = exponents.greatest - least;
  // Up to a spread of 20, T <= 299 * 2^21 < 2^30 whatever the shares.
  if (spread > 29 || (spread > 20 && Magnitude(spans, least) > (int64_t{1} << 30))) return false;
  // Powers of two scale exactly: the unit lies between 2^-172 and 2^105.
  // Zero shares give zero units.
  const double toUnits = PowerOfTwo(1023 + 23 - least);
  int64_t* step = steps.step;
  if (sparse) {
    step[0] = 0;
    for (int32_t k = 0; k < spans.count; ++k) step[spans.first[k]] = step[spans.last[k] + 1] = 0;
  } else {
    std::fill(step, step + binCount + 1, int64_t{0});
  }
  steps.magnitude = 0;
  steps.least = least;
  return StepBars<false>(spans, 0, spans.count, 1, toUnits, steps);
}

// The steps of the earlier window (carry.steps, in `steps`) brought up to
// the bars of this one, in the earlier unit: the earlier bars this window
// did not take over are taken off, the bars spanned here are added. False,
// leaving the steps to be counted afresh, when that would not be exact.
bool CarrySteps(const BarSpans& spans, const SpanReuse& carry, ExactSteps& steps) {
  if (spans.takenFrom >= spans.takenUpTo) return false;
  const BarSpans& earlier = carry.earlier->spans;
  const auto from = static_cast<int32_t>(spans.takenFrom - carry.shift);
  const auto upTo = static_cast<int32_t>(spans.takenUpTo - carry.shift);
  const double toUnits = PowerOfTwo(1023 + 23 - steps.least);
  return StepBars<true>(earlier, 0, from, -1, toUnits, steps) &&
         StepBars<true>(earlier, upTo, earlier.count, -1, toUnits, steps) &&
         StepBars<true>(spans, 0, spans.takenFrom, 1, toUnits, steps) &&
         StepBars<true>(spans, spans.takenUpTo, spans.count, 1, toUnits, steps) &&
         steps.magnitude <= (int64_t{1} << 53);
}

}  // namespace

void ProfileRuns::Of(const double* bins, int32_t binCount) {
  count = 0;
  Add(0, bins[0], true);
  for (int32_t i = 1; i < binCount; ++i) Add(i, bins[i], !SameBits(bins[i], bins[i - 1]));
  start[count] = binCount;
  value[count] = 0.0;  // the pad of an odd count
}

// Writes the runs lowest first, each in blocks of kBlock bins from its first
// bin on: a block that runs past the end of its run is overwritten by the
// runs above. Only blocks that stay inside the profile are written whole;
// the bins after the last of them go one by one.
void ProfileRuns::FillRuns(double* bins) const {
  const int32_t blocksBelow = start[count] - kBlock + 1;
  for (int32_t r = 0; r < count; ++r) {
    const int32_t to = start[r + 1];
    int32_t i = start[r];
#if defined(__SSE2__)
    const __m128d pair = _mm_set1_pd(value[r]);
    for (; i < to && i < blocksBelow; i += kBlock) {
#pragma GCC unroll 8
      for (int32_t k = 0; k < kBlock; k += 2) _mm_storeu_pd(bins + i + k, pair);
    }
#endif
    for (; i < to; ++i) bins[i] = value[r];
  }
}

// Writes the runs into bins 0..start[count] - 1: run by run when runs are
// long, bin by bin (without a branch per run) when they are short.
void ProfileRuns::Fill(double* bins) const {
  const int32_t binCount = start[count];
  if (count == binCount) {
    std::copy(value, value + count, bins);
    return;
  }
  if (4 * count <= binCount) {
    FillRuns(bins);
    return;
  }
  int32_t r = 0;
  for (int32_t i = 0; i < binCount; ++i) {
    bins[i] = value[r];
    r += static_cast<int32_t>(i + 1 == start[r + 1]);
  }
}

// The bins as exact integer sums, when they are exact.
//
// Every share is a single-precision value, so it is a whole multiple of
// u = 2^(e - 23) for the least exponent e among the non-zero shares, and
// |share| < 2^(e_k + 1). With T = sum of 2^(e_k - e + 1) at most 2^30, the
// sum S of all magnitudes is below 2^e T <= 2^53 u, so every partial sum of
// any bin is a multiple of u below 2^53 u: exact in double precision, in any
// order. The bins are then formed exactly as integers in units of u, by
// adding each share at its first bin and taking it off after its last, which
// costs one step per bar and one per run of equal bins instead of one per bar
// and covered bin, and gives the same bits as adding bar after bar. Zero
// shares change no bin (0.0 + -0.0 is 0.0).
//
// The same holds for any power of two u of which every share is a whole
// multiple, as long as the magnitudes of the shares sum to at most 2^53 u:
// so the steps of an earlier window carry over to the next one in its unit
// (CarrySteps), the bars it no longer holds taken off and the new ones
// added, while every new share is a whole number of units and the sum of
// magnitudes stays within 2^53 units.
bool ExactRuns(const BarSpans& spans, int32_t binCount, const SpanReuse* carry, double total,
               ExactSteps& steps, ProfileRuns& runs, double& largest) {
  steps.valid = false;
  if (binCount > kMaxSegmentBins) return false;
  // Profiles with far fewer bars than bins visit only the bins at the edges
  // of the spans; counted afresh, their other steps are left unset (and so
  // not carried on).
  const bool sparse = 4 * spans.count < binCount;
  const bool carried =
      carry != nullptr && carry->steps == &steps && CarrySteps(spans, *carry, steps);
  if (!carried && !CountSteps(spans, binCount, sparse, steps)) return false;
  steps.valid = carried || !sparse;
  const double unit = PowerOfTwo(steps.least - 1023 - 23);
  if (sparse) {
    BinBits edges;
    for (int32_t k = 0; k < spans.count; ++k) {
      edges.Set(spans.first[k]);
      edges.Set(spans.last[k] + 1);
    }
    EdgeRuns(steps.step, edges, binCount, unit, runs);
  } else if (DividedStepRuns(steps.step, binCount, unit, total, runs, largest)) {
    return true;
  }
  largest = DivideRoundAndFindLargest(runs.value, runs.count, total);
  return true;
}

// Adds `share` to `count` consecutive bins: one addition per bin, so the bins
// are independent and the loop is written for the compiler to vectorise.
void AddToBins(double* bins, int64_t count, double share) {
  for (int64_t i = 0; i < count; ++i) bins[i] += share;
}

// The bins summed bar after bar, into the zeroed profile.
void AddBarByBar(const BarSpans& spans, double* profile) {
  for (int32_t k = 0; k < spans.count; ++k) {
    AddToBins(profile + spans.first[k], spans.last[k] - spans.first[k] + 1, spans.share[k]);
  }
}

// Each bin as a share of the total, rounded to single precision, then
// rescaled so that the largest equals `scale`; bin by bin.
void NormaliseBins(double* profile, int32_t binCount, double total, double scale) {
  double largest = 0.0;
  for (int32_t i = 0; i < binCount; ++i) {
    profile[i] = RoundToSingle(profile[i] / total);
    if (i == 0 || profile[i] > largest) largest = profile[i];
  }
  if (largest == 0.0) largest = 1.0;
  for (int32_t i = 0; i < binCount; ++i) profile[i] = profile[i] * scale / largest;
}

// The same, once per run: equal bins give equal quotients.
void NormaliseRuns(ProfileRuns& runs, double total, double scale) {
  RescaleRuns(runs, DivideRoundAndFindLargest(runs.value, runs.count, total), scale);
}

void RescaleRuns(ProfileRuns& runs, double largest, double scale) {
  double* value = runs.value;
  value[runs.count] = 0.0;
  // x * 1.0 / L is x / L: at most 1.0 for every x <= L, and exactly 1.0 for
  // x = L when L is finite and positive.
  runs.largestIsOne = scale == 1.0 && largest > 0.0 && std::isfinite(largest);
  if (largest == 0.0) largest = 1.0;
  Quotients(value, runs.count, Before::Multiply, scale, largest, value);
}

}  // namespace profile
}  // namespace zeb
