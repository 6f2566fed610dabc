#include "components/volume_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "components/single_precision.h"
#include "core/indicator.h"

namespace zeb {
namespace {

// Farthest offset a window may reach: the series hold kBarCapacity bars.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;
constexpr int32_t kMaxBars = kFarthestBack + 1;
// Window arrays are padded to an even length so that bars go in pairs.
constexpr int32_t kPaddedBars = kMaxBars + 1;
constexpr int32_t kMaxSegmentBins = 200;
constexpr int32_t kPeakPercent = 60;
constexpr int32_t kFullPercent = 100;
// Peak bins carry a mark no node number can take (node numbers count from 1).
constexpr int32_t kPeakMark = -1;

// floor(value) truncated to a 32-bit integer, with values beyond that range
// saturated at its ends, so that every finite or infinite value has a defined
// result; false for NaN, which has none. Identical to the plain truncation
// wherever that is defined.
bool FloorToInt(double value, int64_t& result) {
  if (value > -2147483649.0 && value < 2147483648.0) {
    // Within this range truncation is defined; one step down where it
    // rounded up gives the floor.
    auto t = static_cast<int64_t>(value);
    if (static_cast<double>(t) > value) --t;
    result = t < -2147483648LL ? -2147483648LL : t;
    return true;
  }
  const double f = std::floor(value);
  if (std::isnan(f)) return false;
  result = f > 0.0 ? 2147483647 : -2147483648LL;
  return true;
}

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

bool SameBits(double a, double b) {
  uint64_t x = 0;
  uint64_t y = 0;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

// out[k] = (x[k] - offset) / divisor for k < count (count rounded up to even):
// independent divisions, two per instruction where SSE2 is available. Packed
// and scalar SSE2 arithmetic round alike, so the bits are those of the
// scalar expression.
void OffsetQuotients(const double* x, int32_t count, double offset, double divisor, double* out) {
#if defined(__SSE2__)
  const __m128d o = _mm_set1_pd(offset);
  const __m128d d = _mm_set1_pd(divisor);
  for (int32_t k = 0; k < count; k += 2) {
    _mm_storeu_pd(out + k, _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(x + k), o), d));
  }
#else
  for (int32_t k = 0; k < count; ++k) out[k] = (x[k] - offset) / divisor;
#endif
}

// out[k] = x[k] / y[k] for k < count (count rounded up to even), as above.
void Quotients(const double* x, const double* y, int32_t count, double* out) {
#if defined(__SSE2__)
  for (int32_t k = 0; k < count; k += 2) {
    _mm_storeu_pd(out + k, _mm_div_pd(_mm_loadu_pd(x + k), _mm_loadu_pd(y + k)));
  }
#else
  for (int32_t k = 0; k < count; ++k) out[k] = x[k] / y[k];
#endif
}

#if defined(__SSE2__)
// Lane by lane minimum of 32-bit integers.
__m128i Min32(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, b), _mm_andnot_si128(greater, a));
}
#endif

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

// The low, high and volume of a window of bars, newest first, read once,
// with the window's lowest low and highest high.
struct WindowBars {
  double low[kPaddedBars];
  double high[kPaddedBars];
  double volume[kPaddedBars];
  int32_t count = 0;
  double lowest = 0.0;
  double highest = 0.0;

  // The extremes start from bar `start` and are replaced only by strictly
  // lower lows and strictly higher highs, bar by bar.
  void Read(const Indicator& owner, int32_t start, int32_t barCount) {
    count = barCount;
    if (count <= kFewBars) {
      // One loop for the three series: fewer loops whose length varies.
      for (int32_t k = 0; k < count; ++k) {
        low[k] = owner.lowSeries.Get(start + k);
        high[k] = owner.highSeries.Get(start + k);
        volume[k] = owner.volumeSeries.Get(start + k);
      }
    } else {
      CopyBack(owner.lowSeries, start, count, low);
      CopyBack(owner.highSeries, start, count, high);
      CopyBack(owner.volumeSeries, start, count, volume);
    }
    // The pad of an odd count only feeds divisions whose results are unused.
    low[count] = high[count] = volume[count] = 0.0;
    double lo = owner.lowSeries.Get(start);
    double hi = owner.highSeries.Get(start);
    for (int32_t k = 1; k < count; ++k) {
      if (low[k] < lo) lo = low[k];
      if (high[k] > hi) hi = high[k];
    }
    lowest = lo;
    highest = hi;
  }

  static constexpr int32_t kFewBars = 16;

  static void CopyBack(const RingSeries& series, int32_t start, int32_t n, double* out) {
    series.ForEachBack(start, n, [&out](double v) { *out++ = v; });
  }
};

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

// The bars of a window that fill bins: each with its first and last bin and
// its share of volume per bin, in bar order.
struct BarSpans {
  int32_t first[kPaddedBars];
  int32_t last[kPaddedBars];
  double volume[kPaddedBars];
  double divisor[kPaddedBars];
  // Volume over divisor, and that rounded to single precision.
  double quotient[kPaddedBars];
  double share[kPaddedBars];
  int32_t count = 0;
  // Biased exponent fields of the least and greatest non-zero share (2047
  // for one that is not finite); 0 for both when every share is zero.
  int32_t leastExponent = 0;
  int32_t greatestExponent = 0;

  static constexpr int32_t kExponentField = 0x7ff;

  static int32_t ExponentField(double x) {
    uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    return static_cast<int32_t>((bits >> 52) & kExponentField);
  }

  // Rounds each quotient to single precision and notes the exponent range.
  void RoundShares() {
    if (RoundSharePairs()) return;
    for (int32_t k = 0; k < count; ++k) share[k] = RoundToSingle(quotient[k]);
    // Zero shares (field 0) count as the greatest field for the least.
    uint32_t least = ~0u;
    uint32_t greatest = 0;
    for (int32_t k = 0; k < count; ++k) {
      const auto e = static_cast<uint32_t>(ExponentField(share[k]));
      least = std::min(least, e - 1);
      greatest = std::max(greatest, e);
    }
    leastExponent = static_cast<int32_t>(least + 1);
    greatestExponent = static_cast<int32_t>(greatest);
  }

  // RoundShares two at a time where SSE2 is available, when every quotient
  // is below 2^127 in magnitude: there the packed conversion rounds as the
  // scalar one does, in any rounding mode, and never overflows. False
  // otherwise (NaN included). The exponent fields (at most 2047) are taken
  // as 16-bit lanes, zero shares raised to 0x7fff for the least.
  bool RoundSharePairs() {
#if defined(__SSE2__)
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d limit = _mm_set1_pd(0x1p127);
    const __m128i field = _mm_set1_epi32(kExponentField);
    const __m128i none = _mm_set1_epi32(0x7fff);
    const __m128i upper = _mm_set1_epi32(0x7fff0000);
    __m128i least = _mm_set1_epi16(0x7fff);
    __m128i greatest = _mm_setzero_si128();
    int below = 3;
    for (int32_t k = 0; k < count; k += 2) {
      const __m128d q = _mm_loadu_pd(quotient + k);
      below &= _mm_movemask_pd(_mm_cmplt_pd(_mm_and_pd(q, magnitude), limit));
      const __m128d rounded = _mm_cvtps_pd(_mm_cvtpd_ps(q));
      _mm_storeu_pd(share + k, rounded);
      // The high halves of the two doubles, shifted down to their fields.
      const __m128i high = _mm_shuffle_epi32(_mm_castpd_si128(rounded), _MM_SHUFFLE(3, 3, 3, 1));
      const __m128i e = _mm_and_si128(_mm_srli_epi32(high, 20), field);
      greatest = _mm_max_epi16(greatest, e);
      const __m128i zero = _mm_cmpeq_epi32(e, _mm_setzero_si128());
      least = _mm_min_epi16(least, _mm_or_si128(_mm_or_si128(e, _mm_and_si128(zero, none)), upper));
    }
    if (below != 3) return false;
    int16_t lanes[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), least);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 8), greatest);
    leastExponent = std::min(lanes[0], lanes[2]);
    greatestExponent = std::max(lanes[8], lanes[10]);
    if (leastExponent == 0x7fff) leastExponent = 0;
    return true;
#else
    return false;
#endif
  }
};

// The bars of the window with their bins (floor of the bin position + 1),
// clipped to the profile, when every bar's positions lie in
// 0 <= low <= high < 2^31 - 1 (every bar within the window's range does):
// there truncation is the floor and nothing overflows 32 bits. Two bars at a
// time; a bar that reaches no bin keeps an empty span (first past last) and
// a zero volume, so its share is zero. Returns false when a bar lies outside
// that range; `total` is then incomplete. Without SSE2 the general
// SpanAnyBars does all of it.
bool SpanBarsInRange(const WindowBars& bars, double binSize, int32_t binCount, BarSpans& spans,
                     double& total) {
#if defined(__SSE2__)
  const __m128d offset = _mm_set1_pd(bars.lowest);
  const __m128d size = _mm_set1_pd(binSize);
  const __m128d zero = _mm_setzero_pd();
  const __m128d limit = _mm_set1_pd(2147483647.0);
  const __m128i one = _mm_set1_epi32(1);
  const __m128i lastBin = _mm_set1_epi32(binCount - 1);
  const __m128i pastLast = _mm_set1_epi32(binCount);
  int inRange = 3;
  for (int32_t k = 0; k < bars.count; k += 2) {
    total = total + bars.volume[k];
    // The pad after an odd count is not a bar.
    const int pad = k + 1 < bars.count ? 0 : 2;
    if (pad == 0) total = total + bars.volume[k + 1];
    const __m128d lp = _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(bars.low + k), offset), size);
    const __m128d hp = _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(bars.high + k), offset), size);
    inRange &=
        pad | _mm_movemask_pd(_mm_and_pd(_mm_and_pd(_mm_cmpge_pd(lp, zero), _mm_cmple_pd(lp, hp)),
                                         _mm_cmplt_pd(hp, limit)));
    const __m128i lo = _mm_add_epi32(_mm_cvttpd_epi32(lp), one);
    const __m128i hi = _mm_add_epi32(_mm_cvttpd_epi32(hp), one);
    const __m128i last = Min32(hi, lastBin);
    const __m128i empty = _mm_cmpgt_epi32(lo, last);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.first + k), Min32(lo, pastLast));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.last + k), last);
    const __m128d emptyPair = _mm_castsi128_pd(_mm_shuffle_epi32(empty, _MM_SHUFFLE(1, 1, 0, 0)));
    const __m128d volume = _mm_andnot_pd(emptyPair, _mm_loadu_pd(bars.volume + k));
    const __m128d divisor = _mm_cvtepi32_pd(_mm_add_epi32(_mm_sub_epi32(hi, lo), one));
    _mm_storeu_pd(spans.quotient + k, _mm_div_pd(volume, divisor));
  }
  spans.count = bars.count;
  return inRange == 3;
#else
  static_cast<void>(bars);
  static_cast<void>(binSize);
  static_cast<void>(binCount);
  static_cast<void>(spans);
  static_cast<void>(total);
  return false;
#endif
}

// The same for any bars: positions beyond the 32-bit range saturate, and a
// bar whose bin position is not a number (NaN prices, or binCount 1 over a
// flat window where binSize is 0 / 0) fills no bin.
void SpanAnyBars(const WindowBars& bars, double binSize, int32_t binCount, BarSpans& spans,
                 double& total) {
  double lowPositions[kPaddedBars];
  double highPositions[kPaddedBars];
  OffsetQuotients(bars.low, bars.count, bars.lowest, binSize, lowPositions);
  OffsetQuotients(bars.high, bars.count, bars.lowest, binSize, highPositions);
  int32_t n = 0;
  for (int32_t k = 0; k < bars.count; ++k) {
    total = total + bars.volume[k];
    int64_t lo = 0;
    int64_t hi = 0;
    if (!FloorToInt(lowPositions[k], lo) || !FloorToInt(highPositions[k], hi)) continue;
    ++lo;
    ++hi;
    const int64_t first = lo < 0 ? 0 : lo;
    const int64_t last = hi < binCount ? hi : static_cast<int64_t>(binCount) - 1;
    if (first > last) continue;
    spans.first[n] = static_cast<int32_t>(first);
    spans.last[n] = static_cast<int32_t>(last);
    spans.volume[n] = bars.volume[k];
    spans.divisor[n] = static_cast<double>(hi - lo + 1);
    ++n;
  }
  spans.count = n;
  spans.volume[n] = 0.0;
  spans.divisor[n] = 1.0;
  Quotients(spans.volume, spans.divisor, n, spans.quotient);
}

// Spreads each bar of the window over the bins its range covers: the bins of
// every bar, then its share (volume over the count of bins it spans, clipped
// ones included, rounded to single precision). Returns the total volume.
double SpreadVolumes(const WindowBars& bars, double binSize, int32_t binCount, BarSpans& spans) {
  double total = 0.0;
  if (!SpanBarsInRange(bars, binSize, binCount, spans, total)) {
    total = 0.0;
    SpanAnyBars(bars, binSize, binCount, spans, total);
  }
  spans.RoundShares();
  return total;
}

// Fixed-size bit set over the bins 0..255 (a profile that is segmented has at
// most 200 bins, plus the one past the last).
class BinBits {
 public:
  void Set(int32_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }

  // Sets bins from..to - 1.
  void SetRange(int32_t from, int32_t to) {
    for (int32_t i = from; i < to;) {
      const int32_t end = std::min(to, (i | 63) + 1);
      words_[i >> 6] |= (Below(end - i)) << (i & 63);
      i = end;
    }
  }

  // Lowest bin in from..to (inclusive) that is set here, or -1.
  int32_t LowestIn(int32_t from, int32_t to) const {
    return Lowest(from, to, [this](int32_t w) { return words_[w]; });
  }

  // Lowest bin in from..to that is clear here, or -1.
  int32_t LowestClearIn(int32_t from, int32_t to) const {
    return Lowest(from, to, [this](int32_t w) { return ~words_[w]; });
  }

  // Highest bin in from..to that is set, or -1.
  int32_t HighestIn(int32_t from, int32_t to) const {
    for (int32_t w = to >> 6; to >= from; --w) {
      const uint64_t bits = words_[w] & Below(to - (w << 6) + 1);
      if (bits != 0) {
        const int32_t i = (w << 6) + 63 - __builtin_clzll(bits);
        return i >= from ? i : -1;
      }
      to = (w << 6) - 1;
    }
    return -1;
  }

 private:
  static constexpr int32_t kWords = 4;

  // Mask of the lowest n bits, n in 0..64.
  static uint64_t Below(int32_t n) { return n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1; }

  template <typename Word>
  static int32_t Lowest(int32_t from, int32_t to, Word word) {
    for (int32_t w = from >> 6; from <= to && w < kWords; ++w) {
      const uint64_t bits = word(w) & ~Below(from - (w << 6));
      if (bits != 0) {
        const int32_t i = (w << 6) + __builtin_ctzll(bits);
        return i <= to ? i : -1;
      }
      from = (w + 1) << 6;
    }
    return -1;
  }

  uint64_t words_[kWords] = {};
};

// Sets out[0..count - 1] to v, two at a time where SSE2 is available.
void FillDoubles(double* out, int32_t count, double v) {
  int32_t k = 0;
#if defined(__SSE2__)
  const __m128d pair = _mm_set1_pd(v);
  for (; k + 1 < count; k += 2) _mm_storeu_pd(out + k, pair);
#endif
  for (; k < count; ++k) out[k] = v;
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
  void Of(const double* bins, int32_t binCount) {
    count = 0;
    Add(0, bins[0], true);
    for (int32_t i = 1; i < binCount; ++i) Add(i, bins[i], !SameBits(bins[i], bins[i - 1]));
    start[count] = binCount;
    value[count] = 0.0;  // the pad of an odd count
  }

  // Writes run r into `bins`. Runs are written lowest first, so a block of
  // kBlock bins may run past the end of run r: the runs above overwrite it.
  // Runs up to kBlock bins long (most) then need no loop whose length varies.
  void FillRun(double* bins, int32_t r) const {
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
  void Fill(double* bins) const {
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
};

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

// Builds the profile into `profile` and, for binCount 1..200, `runs`; false
// when the runs are not filled (binCount outside that range).
bool BuildProfile(const Indicator& owner, double* profile, int32_t binCount, int32_t firstBack,
                  int32_t lastBack, double scale, double& lowest, double& highest,
                  ProfileRuns& runs) {
  if (lastBack < firstBack) std::swap(firstBack, lastBack);
  if (lastBack > kFarthestBack) lastBack = kFarthestBack;
  int32_t start = firstBack < 0 ? 0 : firstBack;
  // A nearer end beyond the stored bars is limited like the farther one, so
  // nothing outside the series is ever read.
  if (start > kFarthestBack) start = kFarthestBack;

  WindowBars bars;
  bars.Read(owner, start, lastBack < start ? 0 : lastBack - start + 1);
  lowest = bars.lowest;
  highest = bars.highest;
  if (binCount < 1) {
    if (binCount == 0) profile[0] = 0.0;
    return false;
  }
  double binSize =
      (bars.highest - bars.lowest) / static_cast<double>(static_cast<int64_t>(binCount) - 1);
  if (binSize == 0.0) binSize = 1.0;
  BarSpans spans;
  double total = SpreadVolumes(bars, binSize, binCount, spans);
  if (total == 0.0) total = 1.0;
  profile[binCount] = 0.0;
  if (ExactRuns(spans, binCount, runs)) {
    NormaliseRuns(runs, total, scale);
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

void SegmentRuns(const ProfileRuns& runs, int32_t binCount, ProfileNodes& nodes) {
  const PercentRuns percents(runs, binCount);
  NodeGrower grower(percents, binCount);
  grower.GrowAll();
  grower.Write(nodes);
}

}  // namespace

void BuildVolumeProfile(const Indicator& owner, double* profile, int32_t binCount,
                        int32_t firstBack, int32_t lastBack, double scale, double& lowest,
                        double& highest) {
  ProfileRuns runs;
  BuildProfile(owner, profile, binCount, firstBack, lastBack, scale, lowest, highest, runs);
}

void SegmentProfile(const double* profile, int32_t binCount, ProfileNodes& nodes) {
  if (binCount < 2 || binCount > kMaxSegmentBins) return;
  ProfileRuns runs;
  runs.Of(profile, binCount);
  SegmentRuns(runs, binCount, nodes);
}

void BuildAndSegmentProfile(const Indicator& owner, double* profile, int32_t binCount,
                            int32_t firstBack, int32_t lastBack, double& lowest, double& highest,
                            ProfileNodes& nodes) {
  ProfileRuns runs;
  if (!BuildProfile(owner, profile, binCount, firstBack, lastBack, 1.0, lowest, highest, runs)) {
    SegmentProfile(profile, binCount, nodes);
    return;
  }
  if (binCount >= 2) SegmentRuns(runs, binCount, nodes);
}

}  // namespace zeb
