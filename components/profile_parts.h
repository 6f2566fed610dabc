#pragma once

// Parts of the volume profile shared by its source files: the window's bars,
// their bin spans, the profile as runs of equal bins and the node walk.

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "components/same_bits.h"
#include "components/volume_profile.h"
#include "core/indicator.h"

namespace zeb {
namespace profile {

// Farthest offset a window may reach: the series hold kBarCapacity bars.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;
constexpr int32_t kMaxBars = kFarthestBack + 1;
// Window arrays are padded to an even length so that bars go in pairs.
constexpr int32_t kPaddedBars = kMaxBars + 1;
constexpr int32_t kMaxSegmentBins = 200;

// The operation that Quotients applies before its division.
enum class Before { Subtract, Multiply };

// out[k] = (x[k] - operand) / divisor or (x[k] * operand) / divisor for
// k < count (count rounded up to even): independent divisions, two per
// instruction where SSE2 is available. Packed and scalar SSE2 arithmetic
// round alike, so the bits are those of the scalar expression.
inline void Quotients(const double* x, int32_t count, Before before, double operand, double divisor,
                      double* out) {
#if defined(__SSE2__)
  const __m128d a = _mm_set1_pd(operand);
  const __m128d d = _mm_set1_pd(divisor);
  for (int32_t k = 0; k < count; k += 2) {
    const __m128d v = _mm_loadu_pd(x + k);
    const __m128d first = before == Before::Subtract ? _mm_sub_pd(v, a) : _mm_mul_pd(v, a);
    _mm_storeu_pd(out + k, _mm_div_pd(first, d));
  }
#else
  for (int32_t k = 0; k < count; ++k) {
    out[k] = (before == Before::Subtract ? x[k] - operand : x[k] * operand) / divisor;
  }
#endif
}

#if defined(__SSE2__)
// A bit per lane whose magnitude is below 2^127: there RoundPairToSingle
// rounds as RoundToSingle does, in any rounding mode, and never overflows
// (NaN is not below).
inline int BelowSingleLimit(__m128d x) {
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  return _mm_movemask_pd(_mm_cmplt_pd(_mm_and_pd(x, magnitude), _mm_set1_pd(0x1p127)));
}

// Both lanes rounded to single precision and back: the packed conversion.
inline __m128d RoundPairToSingle(__m128d x) {
  return _mm_cvtps_pd(_mm_cvtpd_ps(x));
}
#endif

// The low, high and volume of a window of bars, newest first, read once,
// with the window's lowest low and highest high. The entry after the last bar
// is a zero pad.
struct WindowBars {
  double low[kPaddedBars];
  double high[kPaddedBars];
  double volume[kPaddedBars];
  int32_t count = 0;
  double lowest = 0.0;
  double highest = 0.0;
};

// The bars of a window that fill bins: each with its first and last bin and
// its share of volume per bin, in bar order.
struct BarSpans {
  int32_t first[kPaddedBars];
  int32_t last[kPaddedBars];
  double volume[kPaddedBars];
  double divisor[kPaddedBars];
  // Volume over divisor (kept only when not aligned), and that rounded to
  // single precision.
  double quotient[kPaddedBars];
  double share[kPaddedBars];
  int32_t count = 0;
  // Whether entry k belongs to bar k of the window (every bar in range);
  // otherwise only the bars that fill bins are listed.
  bool aligned = false;
  // Bars takenFrom..takenUpTo - 1 were taken over from an earlier window
  // (the same bits there, SpanReuse's shift apart); every other bar was
  // spanned here. Empty when nothing was taken over.
  int32_t takenFrom = 0;
  int32_t takenUpTo = 0;

  static constexpr int32_t kExponentField = 0x7ff;

  static int32_t ExponentField(double x) {
    uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    return static_cast<int32_t>((bits >> 52) & kExponentField);
  }

  // Biased exponent fields of the least and greatest non-zero share (2047
  // for one that is not finite); 0 for both when every share is zero.
  struct ExponentRange {
    int32_t least;
    int32_t greatest;
  };
  ExponentRange Exponents() const;

  // Rounds each quotient to single precision.
  void RoundShares();

 private:
  bool RoundSharePairs();
};

// The bars and spans of one window.
struct SpanWork {
  WindowBars bars;
  BarSpans spans;
};

// The exact bins of a window in integer units (ExactRuns): bin i holds
// step[0] + ... + step[i] units of 2^(least - 1023 - 23), and magnitude is the
// sum of the magnitudes of the window's shares in units.
struct ExactSteps {
  int64_t step[kMaxSegmentBins + 1];
  int64_t magnitude = 0;
  int32_t least = 0;
  // Whether step holds the bins of the window kept with it.
  bool valid = false;
};

// An earlier window whose spans hold for the bars it shares with the next
// one: bar k of the next window is bar k - shift of the earlier one. `steps`
// (when not null) holds the earlier window's exact bins.
struct SpanReuse {
  const SpanWork* earlier;
  int64_t shift;
  const ExactSteps* steps;
};

// Spreads each bar of the window over the bins its range covers: the bins of
// every bar, then its share (volume over the count of bins it spans, clipped
// ones included, rounded to single precision). Bars that `reuse` (when not
// null) holds with the same bits are copied. Returns the total volume.
double SpreadVolumes(const WindowBars& bars, double binSize, int32_t binCount,
                     const SpanReuse* reuse, BarSpans& spans);

// The last window's bars and spans, kept from one build to the next. The
// bins and share of a bar depend only on its low, high and volume and on
// the window's lowest low, bin size and bin count: where those four are the
// same bits, the next window takes them over instead of dividing again.
class SpanCache {
 public:
  // The workspace of the next build (not the one kept).
  SpanWork& Next() { return work_[1 - kept_]; }

  // The kept window, for a next window whose newest bar is bar number
  // `newestBar`, when the key matches and its spans are aligned; else
  // nothing (every pointer null).
  SpanReuse Reuse(int64_t newestBar, double lowest, double binSize, int32_t binCount) const {
    if (!valid_ || binCount_ != binCount || !SameBits(lowest_, lowest) ||
        !SameBits(binSize_, binSize)) {
      return {nullptr, 0, nullptr};
    }
    return {&work_[kept_], newestBar - newestBar_, steps_.valid ? &steps_ : nullptr};
  }

  // Keeps the window just built in Next(); its exact bins are not known yet.
  void Keep(int64_t newestBar, double lowest, double binSize, int32_t binCount) {
    kept_ = 1 - kept_;
    valid_ = work_[kept_].spans.aligned;
    newestBar_ = newestBar;
    lowest_ = lowest;
    binSize_ = binSize;
    binCount_ = binCount;
    steps_.valid = false;
  }

  // The exact bins of the kept window, once ExactRuns has found them.
  ExactSteps& Steps() { return steps_; }

 private:
  SpanWork work_[2];
  ExactSteps steps_;
  int32_t kept_ = 0;
  bool valid_ = false;
  int64_t newestBar_ = 0;
  double lowest_ = 0.0;
  double binSize_ = 0.0;
  int32_t binCount_ = 0;
};

class BinBits {
 public:
  void Set(int32_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  bool Has(int32_t i) const { return ((words_[i >> 6] >> (i & 63)) & 1) != 0; }

  // Sets bins from..to - 1.
  void SetRange(int32_t from, int32_t to) {
    for (int32_t i = from; i < to;) {
      const int32_t end = std::min(to, (i | 63) + 1);
      words_[i >> 6] |= (Below(end - i)) << (i & 63);
      i = end;
    }
  }

  // Lowest bin in from..to (inclusive) that is set here, or -1.
  int32_t LowestIn(int32_t from, int32_t to) const { return Lowest(from, to, 0); }

  // Lowest bin in from..to that is clear here, or -1.
  int32_t LowestClearIn(int32_t from, int32_t to) const { return Lowest(from, to, ~uint64_t{0}); }

  // Highest bin in from..to that is set, or -1.
  int32_t HighestIn(int32_t from, int32_t to) const {
    if (from > to) return -1;
    int32_t w = to >> 6;
    uint64_t bits = words_[w] & (~uint64_t{0} >> (63 - (to & 63)));
    while (bits == 0) {
      if (--w < from >> 6) return -1;
      bits = words_[w];
    }
    const int32_t i = (w << 6) + 63 - __builtin_clzll(bits);
    return i >= from ? i : -1;
  }

  // Calls f(bin) for every bin in from..to that is set, lowest first.
  template <typename F>
  void ForEachIn(int32_t from, int32_t to, F f) const {
    if (from > to) return;
    const int32_t lastWord = to >> 6;
    uint64_t bits = words_[from >> 6] & (~uint64_t{0} << (from & 63));
    for (int32_t w = from >> 6;;) {
      if (w == lastWord) bits &= ~uint64_t{0} >> (63 - (to & 63));
      for (; bits != 0; bits &= bits - 1) f((w << 6) + __builtin_ctzll(bits));
      if (++w > lastWord) return;
      bits = words_[w];
    }
  }

 private:
  static constexpr int32_t kWords = 4;

  // Mask of the lowest n bits, n in 0..64.
  static uint64_t Below(int32_t n) { return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1; }

  // Lowest bin in from..to whose bit, XORed with `flip`, is set, or -1.
  int32_t Lowest(int32_t from, int32_t to, uint64_t flip) const {
    if (from > to) return -1;
    int32_t w = from >> 6;
    uint64_t bits = (words_[w] ^ flip) & (~uint64_t{0} << (from & 63));
    while (bits == 0) {
      if (++w > to >> 6) return -1;
      bits = words_[w] ^ flip;
    }
    const int32_t i = (w << 6) + __builtin_ctzll(bits);
    return i <= to ? i : -1;
  }

  uint64_t words_[kWords] = {};
};

// The profile as runs of bins of equal content, lowest bins first.
struct ProfileRuns {
  static constexpr int32_t kCapacity = kMaxSegmentBins;
  int32_t start[kCapacity + 1];
  // Padded to an even length, so that runs go in pairs.
  double value[kCapacity + 1];
  int32_t count = 0;
  // Set when the largest value is known to be exactly 1.0.
  bool largestIsOne = false;

  // Appends a run from `bin` on with `v` when `begins`; runs need not be
  // maximal. Written without a branch: the outcome varies from bin to bin.
  void Add(int32_t bin, double v, bool begins) {
    start[count] = bin;
    value[count] = v;
    count += static_cast<int32_t>(begins);
  }

  // Runs of equal bits in bins 0..binCount - 1 (binCount at most kCapacity).
  void Of(const double* bins, int32_t binCount);

  // Writes the runs into bins 0..start[count] - 1.
  void Fill(double* bins) const;

 private:
  void FillRuns(double* bins) const;
};

// The bins as exact integer sums, when they are exact; false otherwise
// (steps.valid then false). With `carry` (its steps not null), the steps of
// the earlier window are brought up to date in `steps` (the same object)
// where that is exact, instead of being counted again. The runs come divided
// by `total` and rounded as NormaliseRuns does before it rescales, with their
// largest value in `largest`.
bool ExactRuns(const BarSpans& spans, int32_t binCount, const SpanReuse* carry, double total,
               ExactSteps& steps, ProfileRuns& runs, double& largest);

// The bins summed bar after bar, into the zeroed profile.
void AddBarByBar(const BarSpans& spans, double* profile);

// Each bin as a share of the total, rounded to single precision, then
// rescaled so that the largest equals `scale`; bin by bin.
void NormaliseBins(double* profile, int32_t binCount, double total, double scale);

// The same, once per run: equal bins give equal quotients.
void NormaliseRuns(ProfileRuns& runs, double total, double scale);

// The second half of NormaliseRuns: runs already divided and rounded, whose
// largest value is `largest`, rescaled so that it equals `scale`.
void RescaleRuns(ProfileRuns& runs, double largest, double scale);

// The nodes of the profile given as runs (binCount 2..kMaxSegmentBins).
void SegmentRuns(const ProfileRuns& runs, int32_t binCount, ProfileNodes& nodes);

}  // namespace profile

struct ProfileCache {
  profile::SpanCache spans;
};

}  // namespace zeb
