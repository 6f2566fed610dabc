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

}  // namespace

// Rounds each quotient to single precision and notes the exponent range.
void BarSpans::RoundShares() {
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
bool BarSpans::RoundSharePairs() {
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

double SpreadVolumes(const WindowBars& bars, double binSize, int32_t binCount, BarSpans& spans) {
  double total = 0.0;
  if (!SpanBarsInRange(bars, binSize, binCount, spans, total)) {
    total = 0.0;
    SpanAnyBars(bars, binSize, binCount, spans, total);
  }
  spans.RoundShares();
  return total;
}

}  // namespace profile
}  // namespace zeb
