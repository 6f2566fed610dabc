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

// out[k] = x[k] / y[k] for k < count (count rounded up to even), as
// Quotients does.
void PairQuotients(const double* x, const double* y, int32_t count, double* out) {
#if defined(__SSE2__)
  for (int32_t k = 0; k < count; k += 2) {
    _mm_storeu_pd(out + k, _mm_div_pd(_mm_loadu_pd(x + k), _mm_loadu_pd(y + k)));
  }
#else
  for (int32_t k = 0; k < count; ++k) out[k] = x[k] / y[k];
#endif
}

#if defined(__SSE2__)
// sum + v[0] + v[1] + ... + v[n - 1], added in that order.
double SumInOrder(const double* v, int32_t n, double sum) {
  int32_t k = 0;
  for (; k + 3 < n; k += 4) {
    sum = sum + v[k];
    sum = sum + v[k + 1];
    sum = sum + v[k + 2];
    sum = sum + v[k + 3];
  }
  for (; k < n; ++k) sum = sum + v[k];
  return sum;
}

// Lane by lane minimum of 32-bit integers.
__m128i Min32(__m128i a, __m128i b) {
  const __m128i greater = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(greater, b), _mm_andnot_si128(greater, a));
}
#endif

#if defined(__SSE2__)
// What every pair of bars of one window shares in SpanPair (scalars: the
// vectors are formed where they are used, so that none lives in memory).
struct SpanConstants {
  double lowest;
  double binSize;
  int32_t binCount;
};

// Bars k and k + 1 of SpanBarsInRange, with their shares; returns a bit per
// bar that lies in range and whose share rounds as RoundToSingle does.
inline int SpanPair(const WindowBars& bars, int32_t k, const SpanConstants& c, BarSpans& spans) {
  const __m128d offset = _mm_set1_pd(c.lowest);
  const __m128d size = _mm_set1_pd(c.binSize);
  const __m128i one = _mm_set1_epi32(1);
  const __m128d lp = _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(bars.low + k), offset), size);
  const __m128d hp = _mm_div_pd(_mm_sub_pd(_mm_loadu_pd(bars.high + k), offset), size);
  const int inRange = _mm_movemask_pd(
      _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(lp, _mm_setzero_pd()), _mm_cmple_pd(lp, hp)),
                 _mm_cmplt_pd(hp, _mm_set1_pd(2147483647.0))));
  const __m128i lo = _mm_add_epi32(_mm_cvttpd_epi32(lp), one);
  const __m128i hi = _mm_add_epi32(_mm_cvttpd_epi32(hp), one);
  const __m128i last = Min32(hi, _mm_set1_epi32(c.binCount - 1));
  const __m128i empty = _mm_cmpgt_epi32(lo, last);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.first + k),
                   Min32(lo, _mm_set1_epi32(c.binCount)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.last + k), last);
  const __m128d emptyPair = _mm_castsi128_pd(_mm_shuffle_epi32(empty, _MM_SHUFFLE(1, 1, 0, 0)));
  const __m128d volume = _mm_andnot_pd(emptyPair, _mm_loadu_pd(bars.volume + k));
  const __m128d divisor = _mm_cvtepi32_pd(_mm_add_epi32(_mm_sub_epi32(hi, lo), one));
  const __m128d quotient = _mm_div_pd(volume, divisor);
  _mm_storeu_pd(spans.share + k, RoundPairToSingle(quotient));
  return inRange & BelowSingleLimit(quotient);
}

// SpanPair for the pairs from `from` (even) up to `upTo`: a bit per bar of
// every pair, as SpanPair gives it (the pad after an odd count counts as in
// range).
int SpanPairs(const WindowBars& bars, int32_t from, int32_t upTo, const SpanConstants& c,
              BarSpans& spans) {
  int inRange = 3;
  for (int32_t k = from; k < upTo; k += 2) {
    const int pad = k + 1 < bars.count ? 0 : 2;
    inRange &= pad | SpanPair(bars, k, c, spans);
  }
  return inRange;
}

// Bars k and k + 1 (k + 1 the pad when it is `count`) taken over from bars j
// and j + 1 of the earlier window when they have the same low, high and
// volume bits there; false, changing nothing, otherwise. 64-bit lanes are
// equal when both of their 32-bit halves are.
bool TakePair(const WindowBars& bars, int32_t k, const SpanWork& earlier, int32_t j,
              BarSpans& spans) {
  const auto load = [](const double* x) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
  };
  const WindowBars& kept = earlier.bars;
  const __m128i same =
      _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi32(load(bars.low + k), load(kept.low + j)),
                                  _mm_cmpeq_epi32(load(bars.high + k), load(kept.high + j))),
                    _mm_cmpeq_epi32(load(bars.volume + k), load(kept.volume + j)));
  const bool pad = k + 1 == bars.count;
  const int needed = pad ? 0x00ff : 0xffff;
  if ((_mm_movemask_epi8(same) & needed) != needed) return false;
  const BarSpans& from = earlier.spans;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.first + k),
                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from.first + j)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(spans.last + k),
                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from.last + j)));
  _mm_storeu_pd(spans.share + k, _mm_loadu_pd(from.share + j));
  if (pad) spans.share[k + 1] = 0.0;  // as SpanPair gives the zero pad
  return true;
}

// Bars from..upTo - 1 (from even, upTo - from > 0) taken over at once from
// `reuse`'s window when all of them have the same low, high and volume bits
// there: what TakePair does pair by pair when every pair is the same. False,
// changing nothing, otherwise.
bool TakeRange(const WindowBars& bars, const SpanReuse& reuse, int32_t from, int32_t upTo,
               BarSpans& spans) {
  const SpanWork& earlier = *reuse.earlier;
  const auto j = static_cast<int32_t>(from - reuse.shift);
  const auto n = static_cast<size_t>(upTo - from);
  const size_t bytes = n * sizeof(double);
  if (std::memcmp(bars.low + from, earlier.bars.low + j, bytes) != 0 ||
      std::memcmp(bars.high + from, earlier.bars.high + j, bytes) != 0 ||
      std::memcmp(bars.volume + from, earlier.bars.volume + j, bytes) != 0) {
    return false;
  }
  std::memcpy(spans.first + from, earlier.spans.first + j, n * sizeof(int32_t));
  std::memcpy(spans.last + from, earlier.spans.last + j, n * sizeof(int32_t));
  std::memcpy(spans.share + from, earlier.spans.share + j, bytes);
  spans.share[bars.count] = 0.0;  // the zero pad, as SpanPair gives it
  spans.takenFrom = from;
  spans.takenUpTo = upTo;
  return true;
}

// The bars k..upTo - 1 of the window that may be in `reuse`'s window (bars
// 0..count - 1 there, k - shift).
void KeptRange(const WindowBars& bars, const SpanReuse* reuse, int32_t& from, int32_t& upTo) {
  from = bars.count;
  upTo = 0;
  if (reuse == nullptr) return;
  const int64_t shift = reuse->shift;
  from = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(shift, 0), bars.count));
  upTo = static_cast<int32_t>(
      std::min<int64_t>(std::max<int64_t>(reuse->earlier->bars.count + shift, 0), bars.count));
}
#endif

// The bars of the window with their bins (floor of the bin position + 1),
// clipped to the profile, when every bar's positions lie in
// 0 <= low <= high < 2^31 - 1 (every bar within the window's range does):
// there truncation is the floor and nothing overflows 32 bits. Two bars at a
// time; a bar that reaches no bin keeps an empty span (first past last) and
// a zero volume, so its share is zero. A pair of bars that `reuse` holds is
// copied from it: its bins and share are a function of its own bits and
// of the window's lowest low, bin size and bin count, which `reuse` shares.
// Returns false when a bar lies outside that range or its share would not
// round as RoundToSingle does (BelowSingleLimit); `total` is then
// incomplete. Without SSE2 the general SpanAnyBars does all of it.
bool SpanBarsInRange(const WindowBars& bars, double binSize, int32_t binCount,
                     const SpanReuse* reuse, BarSpans& spans, double& total) {
#if defined(__SSE2__)
  const SpanConstants constants{bars.lowest, binSize, binCount};
  int32_t keptFrom = 0;
  int32_t keptUpTo = 0;
  KeptRange(bars, reuse, keptFrom, keptUpTo);
  // The pairs k, k + 1 (k even) that lie in keptFrom..keptUpTo - 1 (the
  // pad aside) cover bars takeFrom..takeUpTo - 1. They are taken over at
  // once when every one of them is the same, else pair by pair.
  const int32_t takeFrom = keptFrom + (keptFrom & 1);
  const int32_t takeUpTo = keptUpTo == bars.count ? keptUpTo : keptUpTo & ~1;
  const bool whole = takeFrom < takeUpTo && TakeRange(bars, *reuse, takeFrom, takeUpTo, spans);
  total = SumInOrder(bars.volume, bars.count, total);
  int inRange = 3;
  if (whole) {
    inRange = SpanPairs(bars, 0, takeFrom, constants, spans) &
              SpanPairs(bars, takeUpTo, bars.count, constants, spans);
  } else {
    for (int32_t k = 0; k < bars.count; k += 2) {
      const bool kept =
          k >= takeFrom && k < takeUpTo &&
          TakePair(bars, k, *reuse->earlier, static_cast<int32_t>(k - reuse->shift), spans);
      // The pad after an odd count is not a bar.
      const int pad = k + 1 < bars.count ? 0 : 2;
      if (!kept) inRange &= pad | SpanPair(bars, k, constants, spans);
    }
  }
  spans.count = bars.count;
  spans.aligned = inRange == 3;
  return spans.aligned;
#else
  static_cast<void>(bars);
  static_cast<void>(binSize);
  static_cast<void>(binCount);
  static_cast<void>(reuse);
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
  Quotients(bars.low, bars.count, Before::Subtract, bars.lowest, binSize, lowPositions);
  Quotients(bars.high, bars.count, Before::Subtract, bars.lowest, binSize, highPositions);
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
  PairQuotients(spans.volume, spans.divisor, n, spans.quotient);
}

}  // namespace

// Rounds each quotient to single precision.
void BarSpans::RoundShares() {
  if (!RoundSharePairs()) {
    for (int32_t k = 0; k < count; ++k) share[k] = RoundToSingle(quotient[k]);
  }
}

// RoundShares two at a time where SSE2 is available, when every quotient
// is below 2^127 in magnitude (BelowSingleLimit). False otherwise.
bool BarSpans::RoundSharePairs() {
#if defined(__SSE2__)
  int below = 3;
  for (int32_t k = 0; k < count; k += 2) {
    const __m128d q = _mm_loadu_pd(quotient + k);
    below &= BelowSingleLimit(q);
    _mm_storeu_pd(share + k, RoundPairToSingle(q));
  }
  return below == 3;
#else
  return false;
#endif
}

// The least and greatest exponent fields of the non-zero shares (count
// rounded up to even: the pad share is zero). Two at a time where SSE2 is
// available: the fields (at most 2047) are taken as 16-bit lanes, zero
// shares raised to 0x7fff for the least.
BarSpans::ExponentRange BarSpans::Exponents() const {
#if defined(__SSE2__)
  const __m128i field = _mm_set1_epi32(kExponentField);
  const __m128i none = _mm_set1_epi32(0x7fff);
  const __m128i upper = _mm_set1_epi32(0x7fff0000);
  __m128i least = _mm_set1_epi16(0x7fff);
  __m128i greatest = _mm_setzero_si128();
  for (int32_t k = 0; k < count; k += 2) {
    // The high halves of the two doubles, shifted down to their fields.
    const __m128i high = _mm_shuffle_epi32(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(share + k)), _MM_SHUFFLE(3, 3, 3, 1));
    const __m128i e = _mm_and_si128(_mm_srli_epi32(high, 20), field);
    greatest = _mm_max_epi16(greatest, e);
    const __m128i zero = _mm_cmpeq_epi32(e, _mm_setzero_si128());
    least = _mm_min_epi16(least, _mm_or_si128(_mm_or_si128(e, _mm_and_si128(zero, none)), upper));
  }
  int16_t lanes[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), least);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 8), greatest);
  const int32_t leastField = std::min(lanes[0], lanes[2]);
  return {leastField == 0x7fff ? 0 : leastField, std::max(lanes[8], lanes[10])};
#else
  // Zero shares (field 0) count as the greatest field for the least.
  uint32_t least = ~0u;
  uint32_t greatest = 0;
  for (int32_t k = 0; k < count; ++k) {
    const auto e = static_cast<uint32_t>(ExponentField(share[k]));
    least = std::min(least, e - 1);
    greatest = std::max(greatest, e);
  }
  return {static_cast<int32_t>(least + 1), static_cast<int32_t>(greatest)};
#endif
}

double SpreadVolumes(const WindowBars& bars, double binSize, int32_t binCount,
                     const SpanReuse* reuse, BarSpans& spans) {
  double total = 0.0;
  spans.takenFrom = spans.takenUpTo = 0;
  if (SpanBarsInRange(bars, binSize, binCount, reuse, spans, total)) return total;
  spans.aligned = false;
  spans.takenFrom = spans.takenUpTo = 0;
  total = 0.0;
  SpanAnyBars(bars, binSize, binCount, spans, total);
  spans.RoundShares();
  return total;
}

}  // namespace profile
}  // namespace zeb
