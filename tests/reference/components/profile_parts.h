#pragma once

// Parts of the volume profile shared by its source files: the window's bars,
// their bin spans, the profile as runs of equal bins and the node walk.

#include <algorithm>
#include <cstdint>
#include <cstring>

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

// Whether two doubles have the same bits (unlike ==, -0.0 differs from 0.0
// and a NaN equals its own bits).
inline bool SameBits(double a, double b) {
  uint64_t x = 0;
  uint64_t y = 0;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

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
  void RoundShares();

 private:
  bool RoundSharePairs();
};

// Spreads each bar of the window over the bins its range covers: the bins of
// every bar, then its share (volume over the count of bins it spans, clipped
// ones included, rounded to single precision). Returns the total volume.
double SpreadVolumes(const WindowBars& bars, double binSize, int32_t binCount, BarSpans& spans);

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
  void FillRun(double* bins, int32_t r) const;
};

// The bins as exact integer sums, when they are exact; false otherwise.
bool ExactRuns(const BarSpans& spans, int32_t binCount, ProfileRuns& runs);

// The bins summed bar after bar, into the zeroed profile.
void AddBarByBar(const BarSpans& spans, double* profile);

// Each bin as a share of the total, rounded to single precision, then
// rescaled so that the largest equals `scale`; bin by bin.
void NormaliseBins(double* profile, int32_t binCount, double total, double scale);

// The same, once per run: equal bins give equal quotients.
void NormaliseRuns(ProfileRuns& runs, double total, double scale);

// The nodes of the profile given as runs (binCount 2..kMaxSegmentBins).
void SegmentRuns(const ProfileRuns& runs, int32_t binCount, ProfileNodes& nodes);

}  // namespace profile
}  // namespace zeb
