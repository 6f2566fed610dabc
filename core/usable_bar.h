#pragma once

#include <cmath>
#include <cstdint>

namespace zeb {

// The price and volume figures of one bar as the host passed them.
struct BarValues {
  double open;
  double high;
  double low;
  double close;
  double volume1;
  double volume2;
};

// One bit per field of BarValues, in the order above.
enum BarField : uint32_t {
  kBarOpen = 1u << 0,
  kBarHigh = 1u << 1,
  kBarLow = 1u << 2,
  kBarClose = 1u << 3,
  kBarVolume1 = 1u << 4,
  kBarVolume2 = 1u << 5,
};

// Largest magnitude the bar store accepts for a price or a volume figure. It
// lies far above any real price or volume, and low enough that nothing the
// indicators form from accepted values can overflow:
//
// With every stored figure at most B = 1e30 in magnitude, a bar's volume
// (volume1 + volume2) and any difference of two stored figures (midpoint
// changes, close changes, ranges, volume imbalances) are at most 2B = 2e30.
// The largest quantities formed from them are
//  - window sums and averages of at most 300 such terms (volume and imbalance
//    sums, true ranges, profile bins over at most 299 bars): 300 x 2B = 6e32;
//  - Wilder and exponential averages (turn detector, True Strength stages,
//    smoothed imbalance sums, signal lines): weighted means with weights in
//    0..1 of terms of at most 2B (plus the Wilder running sum of at most
//    299 such terms) and the RSI and index scale of 100: below 1e35;
//  - squares in the standard deviations: 100 terms of (2B)^2 = 4e62, 4e62;
//  - products in the flows: a close change (2B) times an overlap ratio of
//    at most 1 for overlapping bars times the volume (2B) = 4e60; in the
//    weighted imbalance a 299-bar sum (6e32) times a position;
//  - a profile bin's share of one bar's volume, rounded to single precision:
//    at most 2B, below the float limit of 3.4e38.
// All of these stay below the double limit of 1.8e308 by more than two
// hundred orders of magnitude; the one conversion with a narrow range, to
// single precision, keeps a margin of 1e8. Quotients whose denominator is a
// stored value or a difference of stored values (an overlap ratio over a
// near-zero bar range, a position in a near-zero reference range, a random
// walk index over a near-zero true range, a wall width scaled by 100 / close)
// are not bounded by B. None of them stays in running state beyond its
// window or period: they are recomputed, or (the overlap flow) an unusable
// one is not taken.
constexpr double kLargestBarValue = 1e30;

// A figure is usable when it is finite and at most kLargestBarValue in
// magnitude (NaN fails the comparison).
inline bool UsableBarFigure(double value) {
  return std::fabs(value) <= kLargestBarValue;
}

// True when every figure of `bar` is usable, in one test for the usual bar.
// It sums squares, not magnitudes: no absolute value is needed, which 32-bit
// builds would take on the x87 stack through memory. The square of a figure
// beyond the bound rounds to at least the rounded square of the bound
// (rounding is monotonic); a rounded sum of non-negative terms never falls
// below its largest term (which is representable), and it is NaN or infinite
// when a term is. So a sum below the rounded square of the bound proves every
// figure within the bound. A sum that is not below it, which figures near the
// bound give, leaves the answer to UnusableBarFields.
inline bool SurelyUsableBar(const BarValues& bar) {
  constexpr double kLargestSquare = kLargestBarValue * kLargestBarValue;
  const double sum =
      ((bar.open * bar.open + bar.high * bar.high) + (bar.low * bar.low + bar.close * bar.close)) +
      (bar.volume1 * bar.volume1 + bar.volume2 * bar.volume2);
  return sum < kLargestSquare;
}

// BarField bits of the figures of `bar` that are unusable; 0 when the whole
// bar is usable. Inline: it runs for every bar stored.
inline uint32_t UnusableBarFields(const BarValues& bar) {
  return (UsableBarFigure(bar.open) ? 0u : kBarOpen) | (UsableBarFigure(bar.high) ? 0u : kBarHigh) |
         (UsableBarFigure(bar.low) ? 0u : kBarLow) | (UsableBarFigure(bar.close) ? 0u : kBarClose) |
         (UsableBarFigure(bar.volume1) ? 0u : kBarVolume1) |
         (UsableBarFigure(bar.volume2) ? 0u : kBarVolume2);
}

// Replaces the figures named by `fields`: a price by the series' previous
// value from `previous`, a volume figure by 0.0.
void ReplaceBarFields(BarValues& bar, uint32_t fields, const BarValues& previous);

// Number of fields in BarValues, and the name of field i (bit 1 << i).
constexpr int32_t kBarFieldCount = 6;
const char* BarFieldName(int32_t i);

}  // namespace zeb
