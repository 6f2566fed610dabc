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

// out[k] = x[k] * factor / divisor for k < count (count rounded up to even),
// as above. x * 1.0 is x for every value arithmetic yields (all but
// signalling NaNs), so a factor of 1.0 gives x[k] / divisor.
void ScaledQuotients(const double* x, int32_t count, double factor, double divisor, double* out) {
#if defined(__SSE2__)
  const __m128d f = _mm_set1_pd(factor);
  const __m128d d = _mm_set1_pd(divisor);
  for (int32_t k = 0; k < count; k += 2) {
    _mm_storeu_pd(out + k, _mm_div_pd(_mm_mul_pd(_mm_loadu_pd(x + k), f), d));
  }
#else
  for (int32_t k = 0; k < count; ++k) out[k] = x[k] * factor / divisor;
#endif
}

// Rounds x[0..count - 1] (count rounded up to even) to single precision two
// at a time, as RoundToSingle does, when every value is below 2^127 in
// magnitude: there the packed conversion rounds as the scalar one does, in
// any rounding mode, and never overflows. Returns false, changing nothing,
// otherwise (NaN included).
bool RoundPairsToSingle(double* x, int32_t count) {
#if defined(__SSE2__)
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d limit = _mm_set1_pd(0x1p127);
  int below = 3;
  for (int32_t k = 0; k < count; k += 2) {
    below &= _mm_movemask_pd(_mm_cmplt_pd(_mm_and_pd(_mm_loadu_pd(x + k), magnitude), limit));
  }
  if (below != 3) return false;
  for (int32_t k = 0; k < count; k += 2) {
    _mm_storeu_pd(x + k, _mm_cvtps_pd(_mm_cvtpd_ps(_mm_loadu_pd(x + k))));
  }
  return true;
#else
  static_cast<void>(x);
  static_cast<void>(count);
  return false;
#endif
}

// Sets out[0..count - 1] to v, two at a time where SSE2 is available.
void FillDoubles(double* out, int32_t count, double v) {
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128d pair = _mm_set1_pd(v);
  for (; k + 1 < count; k += 2) _mm_storeu_pd(out + k, pair);
#endif
  for (; k < count; ++k) out[k] = v;
}

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

// Runs of the prefix sums, visiting only the bins in `edges` (which hold
// every non-zero step): for profiles with far fewer bars than bins.
void EdgeRuns(const int64_t* steps, const BinBits& edges, int32_t binCount, double unit,
              ProfileRuns& runs) {
  runs.count = 0;
  int64_t units = steps[0];
  runs.Add(0, static_cast<double>(units) * unit, true);
  const int32_t last = binCount - 1;
  for (int32_t i = edges.LowestIn(1, last); i >= 0; i = edges.LowestIn(i + 1, last)) {
    units += steps[i];
    runs.Add(i, static_cast<double>(units) * unit, true);
  }
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

}  // namespace

void ProfileRuns::Of(const double* bins, int32_t binCount) {
  count = 0;
  Add(0, bins[0], true);
  for (int32_t i = 1; i < binCount; ++i) Add(i, bins[i], !SameBits(bins[i], bins[i - 1]));
  start[count] = binCount;
  value[count] = 0.0;  // the pad of an odd count
}

// Writes run r into `bins`. Runs are written lowest first, so a block of
// kBlock bins may run past the end of run r: the runs above overwrite it.
// Runs up to kBlock bins long (most) then need no loop whose length varies.
void ProfileRuns::FillRun(double* bins, int32_t r) const {
  constexpr int32_t kBlock = 16;
  const int32_t from = start[r];
  const int32_t length = start[r + 1] - from;
  if (from + kBlock > start[count]) {
    FillDoubles(bins + from, length, value[r]);
    return;
  }
  FillDoubles(bins + from, kBlock, value[r]);
  if (length > kBlock) FillDoubles(bins + from + kBlock, length - kBlock, value[r]);
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
    for (int32_t r = 0; r < count; ++r) FillRun(bins, r);
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
bool ExactRuns(const BarSpans& spans, int32_t binCount, ProfileRuns& runs) {
  if (binCount > kMaxSegmentBins || spans.greatestExponent == BarSpans::kExponentField) {
    return false;
  }
  // With no non-zero share any unit will do.
  const int32_t least = spans.greatestExponent == 0 ? 1023 : spans.leastExponent;
  const int32_t spread = spans.greatestExponent - least;
  // Up to a spread of 20, T <= 299 * 2^21 < 2^30 whatever the shares.
  if (spread > 29 || (spread > 20 && Magnitude(spans, least) > (int64_t{1} << 30))) return false;
  // Powers of two scale exactly: the unit lies between 2^-172 and 2^105.
  // Zero shares give zero units.
  const double toUnits = PowerOfTwo(1023 + 23 - least);
  int64_t steps[kMaxSegmentBins + 1];
  std::fill(steps, steps + binCount + 1, int64_t{0});
  for (int32_t k = 0; k < spans.count; ++k) {
    const auto units = static_cast<int64_t>(spans.share[k] * toUnits);
    steps[spans.first[k]] += units;
    steps[spans.last[k] + 1] -= units;
  }
  const double unit = PowerOfTwo(least - 1023 - 23);
  if (4 * spans.count < binCount) {
    BinBits edges;
    for (int32_t k = 0; k < spans.count; ++k) {
      edges.Set(spans.first[k]);
      edges.Set(spans.last[k] + 1);
    }
    EdgeRuns(steps, edges, binCount, unit, runs);
  } else {
    StepRuns(steps, binCount, unit, runs);
  }
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
  double* value = runs.value;
  value[runs.count] = 0.0;
  ScaledQuotients(value, runs.count, 1.0, total, value);
  if (!RoundPairsToSingle(value, runs.count)) {
    for (int32_t r = 0; r < runs.count; ++r) value[r] = RoundToSingle(value[r]);
  }
  double largest = value[0];
  for (int32_t r = 1; r < runs.count; ++r) {
    if (value[r] > largest) largest = value[r];
  }
  // x * 1.0 / L is x / L: at most 1.0 for every x <= L, and exactly 1.0 for
  // x = L when L is finite and positive.
  runs.largestIsOne = scale == 1.0 && largest > 0.0 && std::isfinite(largest);
  if (largest == 0.0) largest = 1.0;
  ScaledQuotients(value, runs.count, scale, largest, value);
}

}  // namespace profile
}  // namespace zeb
