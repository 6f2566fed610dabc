#include "components/volume_profile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "components/profile_parts.h"
#include "core/indicator.h"

namespace zeb {
namespace {

using profile::AddBarByBar;
using profile::BarSpans;
using profile::ExactRuns;
using profile::ExactSteps;
using profile::kFarthestBack;
using profile::kMaxSegmentBins;
using profile::NormaliseBins;
using profile::NormaliseRuns;
using profile::ProfileRuns;
using profile::RescaleRuns;
using profile::SegmentRuns;
using profile::SpanCache;
using profile::SpanReuse;
using profile::SpanWork;
using profile::SpreadVolumes;
using profile::WindowBars;

// Windows up to this many bars are read in one loop for the three series and
// scanned for their extremes in one lane: fewer loops whose length varies.
constexpr int32_t kFewBars = 16;

// out[k] = from[n - 1 - k] for k < n: a plain copy, two at a time where SSE2
// is available (moves and shuffles keep every bit, NaN payloads included).
void ReverseCopy(const double* from, int32_t n, double* out) {
  int32_t k = 0;
#if defined(__SSE2__)
  const auto swapped = [](__m128d pair) { return _mm_shuffle_pd(pair, pair, 1); };
  for (; k + 3 < n; k += 4) {
    const __m128d newer = _mm_loadu_pd(from + n - 2 - k);
    const __m128d older = _mm_loadu_pd(from + n - 4 - k);
    _mm_storeu_pd(out + k, swapped(newer));
    _mm_storeu_pd(out + k + 2, swapped(older));
  }
  for (; k + 1 < n; k += 2) {
    const __m128d pair = _mm_loadu_pd(from + n - 2 - k);
    _mm_storeu_pd(out + k, _mm_shuffle_pd(pair, pair, 1));
  }
#endif
  for (; k < n; ++k) out[k] = from[n - 1 - k];
}

// Copies the elements start .. start + n - 1 bars back into `out`, newest
// first, as Get reads them: the storage's stretches read backwards.
void CopyBack(const RingSeries& series, int32_t start, int32_t n, double* out) {
  RingSeries::Stretch stretches[2];
  const int32_t parts = series.Stretches(start, n, stretches);
  if (parts < 0) {
    series.ForEachBack(start, n, [&out](double v) { *out++ = v; });
    return;
  }
  for (int32_t i = parts - 1; i >= 0; --i) {
    ReverseCopy(stretches[i].data, stretches[i].count, out);
    out += stretches[i].count;
  }
}

// Scans bars 1.. from the extremes held: each replaced only by a strictly
// lower low or a strictly higher high, bar by bar.
void ScanExtremes(WindowBars& bars) {
  double lo = bars.lowest;
  double hi = bars.highest;
  for (int32_t k = 1; k < bars.count; ++k) {
    if (bars.low[k] < lo) lo = bars.low[k];
    if (bars.high[k] > hi) hi = bars.high[k];
  }
  bars.lowest = lo;
  bars.highest = hi;
}

// ScanExtremes in two lanes, odd and even bars, when that gives its result.
// MINPD computes x < lo ? x : lo and MAXPD x > hi ? x : hi, so each lane
// scans its bars as the scalar loop does. The scan keeps the first of the
// lowest lows: the lane that is strictly lower holds it, and lanes with the
// same bits agree; lanes that differ only in the sign of zero (or where
// SSE2 is missing) leave it to ScanExtremes. Highs likewise.
bool PairedExtremes(WindowBars& bars) {
#if defined(__SSE2__)
  __m128d lo = _mm_set1_pd(bars.lowest);
  __m128d hi = _mm_set1_pd(bars.highest);
  int32_t k = 1;
  for (; k + 1 < bars.count; k += 2) {
    lo = _mm_min_pd(_mm_loadu_pd(bars.low + k), lo);
    hi = _mm_max_pd(_mm_loadu_pd(bars.high + k), hi);
  }
  double lanes[4];
  _mm_storeu_pd(lanes, lo);
  _mm_storeu_pd(lanes + 2, hi);
  // The bar left over after the pairs is the last of lane 0.
  if (k < bars.count) {
    if (bars.low[k] < lanes[0]) lanes[0] = bars.low[k];
    if (bars.high[k] > lanes[2]) lanes[2] = bars.high[k];
  }
  const bool lowSettled =
      lanes[1] < lanes[0] || lanes[0] < lanes[1] || SameBits(lanes[0], lanes[1]);
  const bool highSettled =
      lanes[3] > lanes[2] || lanes[2] > lanes[3] || SameBits(lanes[2], lanes[3]);
  if (!lowSettled || !highSettled) return false;
  bars.lowest = lanes[1] < lanes[0] ? lanes[1] : lanes[0];
  bars.highest = lanes[3] > lanes[2] ? lanes[3] : lanes[2];
  return true;
#else
  static_cast<void>(bars);
  return false;
#endif
}

// Reads `barCount` bars from offset `start` on. The extremes start from bar
// `start` and are replaced only by strictly lower lows and strictly higher
// highs, bar by bar.
void ReadWindow(const Indicator& owner, int32_t start, int32_t barCount, WindowBars& bars) {
  const int32_t count = barCount;
  bars.count = count;
  if (count <= kFewBars) {
    for (int32_t k = 0; k < count; ++k) {
      bars.low[k] = owner.lowSeries.Get(start + k);
      bars.high[k] = owner.highSeries.Get(start + k);
      bars.volume[k] = owner.volumeSeries.Get(start + k);
    }
  } else {
    CopyBack(owner.lowSeries, start, count, bars.low);
    CopyBack(owner.highSeries, start, count, bars.high);
    CopyBack(owner.volumeSeries, start, count, bars.volume);
  }
  // The pad of an odd count only feeds divisions whose results are unused.
  bars.low[count] = bars.high[count] = bars.volume[count] = 0.0;
  bars.lowest = owner.lowSeries.Get(start);
  bars.highest = owner.highSeries.Get(start);
  if (count <= kFewBars || !PairedExtremes(bars)) ScanExtremes(bars);
}

// SpreadVolumes, taking over what `cache` (when not null) kept of the last
// window, and keeping this one there. Bar `newestBar` is bar 0 of `bars`.
// `reuse` receives what was taken over (its earlier window null if nothing).
double Spread(const WindowBars& bars, double binSize, int32_t binCount, int64_t newestBar,
              SpanCache* cache, BarSpans& spans, SpanReuse& reuse) {
  reuse = SpanReuse{nullptr, 0, nullptr};
  if (cache == nullptr) return SpreadVolumes(bars, binSize, binCount, nullptr, spans);
  reuse = cache->Reuse(newestBar, bars.lowest, binSize, binCount);
  const double total =
      SpreadVolumes(bars, binSize, binCount, reuse.earlier != nullptr ? &reuse : nullptr, spans);
  cache->Keep(newestBar, bars.lowest, binSize, binCount);
  return total;
}

// Builds the profile into `profile` and, for binCount 1..200, `runs`; false
// when the runs are not filled (binCount outside that range).
bool BuildProfile(const Indicator& owner, double* profile, int32_t binCount, int32_t firstBack,
                  int32_t lastBack, double scale, double& lowest, double& highest,
                  ProfileRuns& runs, SpanWork& work, SpanCache* cache) {
  if (lastBack < firstBack) std::swap(firstBack, lastBack);
  if (lastBack > kFarthestBack) lastBack = kFarthestBack;
  int32_t start = firstBack < 0 ? 0 : firstBack;
  // A nearer end beyond the stored bars is limited like the farther one, so
  // nothing outside the series is ever read.
  if (start > kFarthestBack) start = kFarthestBack;

  WindowBars& bars = work.bars;
  ReadWindow(owner, start, lastBack < start ? 0 : lastBack - start + 1, bars);
  lowest = bars.lowest;
  highest = bars.highest;
  if (binCount < 1) {
    if (binCount == 0) profile[0] = 0.0;
    return false;
  }
  double binSize =
      (bars.highest - bars.lowest) / static_cast<double>(static_cast<int64_t>(binCount) - 1);
  if (binSize == 0.0) binSize = 1.0;
  BarSpans& spans = work.spans;
  SpanReuse reuse{};
  double total =
      Spread(bars, binSize, binCount, owner.barNumber - int64_t{start}, cache, spans, reuse);
  if (total == 0.0) total = 1.0;
  profile[binCount] = 0.0;
  ExactSteps local;
  ExactSteps& steps = cache != nullptr ? cache->Steps() : local;
  double largest = 0.0;
  if (ExactRuns(spans, binCount, reuse.steps != nullptr ? &reuse : nullptr, total, steps, runs,
                largest)) {
    RescaleRuns(runs, largest, scale);
    runs.Fill(profile);
    return true;
  }
  std::fill(profile, profile + binCount, 0.0);
  AddBarByBar(spans, profile);
  if (binCount > kMaxSegmentBins) {
    NormaliseBins(profile, binCount, total, scale);
    return false;
  }
  runs.Of(profile, binCount);
  NormaliseRuns(runs, total, scale);
  runs.Fill(profile);
  return true;
}

// BuildProfile in the workspace of `cache` when there is one, else in a
// workspace of its own.
bool BuildCachedProfile(const Indicator& owner, double* profile, int32_t binCount,
                        int32_t firstBack, int32_t lastBack, double scale, double& lowest,
                        double& highest, ProfileRuns& runs, ProfileCache* cache) {
  if (cache != nullptr) {
    return BuildProfile(owner, profile, binCount, firstBack, lastBack, scale, lowest, highest, runs,
                        cache->spans.Next(), &cache->spans);
  }
  SpanWork work;
  return BuildProfile(owner, profile, binCount, firstBack, lastBack, scale, lowest, highest, runs,
                      work, nullptr);
}

}  // namespace

void BuildVolumeProfile(const Indicator& owner, double* profile, int32_t binCount,
                        int32_t firstBack, int32_t lastBack, double scale, double& lowest,
                        double& highest, ProfileCache* cache) {
  ProfileRuns runs;
  BuildCachedProfile(owner, profile, binCount, firstBack, lastBack, scale, lowest, highest, runs,
                     cache);
}

void SegmentProfile(const double* profile, int32_t binCount, ProfileNodes& nodes) {
  if (binCount < 2 || binCount > kMaxSegmentBins) return;
  ProfileRuns runs;
  runs.Of(profile, binCount);
  SegmentRuns(runs, binCount, nodes);
}

void BuildAndSegmentProfile(const Indicator& owner, double* profile, int32_t binCount,
                            int32_t firstBack, int32_t lastBack, double& lowest, double& highest,
                            ProfileNodes& nodes, ProfileCache* cache) {
  ProfileRuns runs;
  if (!BuildCachedProfile(owner, profile, binCount, firstBack, lastBack, 1.0, lowest, highest, runs,
                          cache)) {
    SegmentProfile(profile, binCount, nodes);
    return;
  }
  if (binCount >= 2) SegmentRuns(runs, binCount, nodes);
}

}  // namespace zeb
