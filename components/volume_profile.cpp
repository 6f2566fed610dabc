#include "components/volume_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "components/single_precision.h"
#include "core/indicator.h"

namespace zeb {
namespace {

// Farthest offset a window may reach: the series hold kBarCapacity bars.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;
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

// The unmarked bins that may become node peaks (at least 60 percent; never
// the last bin) in the order in which nodes take them: fullest first, the lowest bin
// first among equals. Marks are only ever added, so each node's peak is the
// first candidate not yet marked. Percentages up to 100 are bucketed; a
// profile with larger ones (only negative volumes give those) is sorted.
int32_t OrderPeakCandidates(const int32_t* percent, const int32_t* mark, int32_t binCount,
                            int32_t* order) {
  constexpr int32_t kBuckets = kFullPercent - kPeakPercent + 1;
  int32_t bucketStart[kBuckets + 1] = {};
  int32_t count = 0;
  bool beyondFull = false;
  for (int32_t i = 0; i < binCount - 1; ++i) {
    if (percent[i] < kPeakPercent || mark[i] != 0) continue;
    ++count;
    if (percent[i] > kFullPercent) {
      beyondFull = true;
    } else {
      ++bucketStart[kFullPercent - percent[i] + 1];
    }
  }
  if (count == 0) return 0;
  if (beyondFull) {
    int32_t n = 0;
    for (int32_t i = 0; i < binCount - 1; ++i) {
      if (percent[i] >= kPeakPercent && mark[i] == 0) order[n++] = i;
    }
    std::sort(order, order + n, [percent](int32_t a, int32_t b) {
      return percent[a] != percent[b] ? percent[a] > percent[b] : a < b;
    });
    return n;
  }
  for (int32_t b = 1; b <= kBuckets; ++b) bucketStart[b] += bucketStart[b - 1];
  for (int32_t i = 0; i < binCount - 1; ++i) {
    if (percent[i] >= kPeakPercent && mark[i] == 0) {
      order[bucketStart[kFullPercent - percent[i]]++] = i;
    }
  }
  return count;
}

// The low, high and volume of a window of bars, newest first.
struct WindowBars {
  double low[kFarthestBack + 1];
  double high[kFarthestBack + 1];
  double volume[kFarthestBack + 1];

  void Read(const Indicator& owner, int32_t firstBack, int32_t count) {
    CopyBack(owner.lowSeries, firstBack, count, low);
    CopyBack(owner.highSeries, firstBack, count, high);
    CopyBack(owner.volumeSeries, firstBack, count, volume);
  }

  static void CopyBack(const RingSeries& series, int32_t firstBack, int32_t count, double* out) {
    series.ForEachBack(firstBack, count, [&out](double v) { *out++ = v; });
  }
};

// Adds `share` to `count` consecutive bins: one addition per bin, so the bins
// are independent and the loop is written for the compiler to vectorise.
void AddToBins(double* bins, int64_t count, double share) {
  for (int64_t i = 0; i < count; ++i) bins[i] += share;
}

// Exponent e of a finite non-zero double in normal range: 2^e <= |x| < 2^(e+1).
// Every single-precision value is a normal double.
int32_t BinaryExponent(double x) {
  uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<int32_t>((bits >> 52) & 0x7ff) - 1023;
}

// 2^e for e within the normal double range.
double PowerOfTwo(int32_t e) {
  const uint64_t bits = static_cast<uint64_t>(e + 1023) << 52;
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The shares of a window's bars, each added to a run of bins, in bar order.
//
// Every share is a single-precision value, so it is a whole multiple of
// 2^(exponent - 23). When the smallest such unit u among the shares and the
// sum of all their magnitudes S satisfy S < 2^52 u, every partial sum of any
// bin is a multiple of u below 2^53 u: exact in double precision, whatever the
// order. The bins are then formed exactly as integers in units of u, by
// adding each share at its first bin and taking it off after its last, which
// costs one step per bar and per bin instead of one per bar and covered bin,
// and gives the same bits as adding bar after bar. Shares that are not finite,
// or that span too many magnitudes, are added bar after bar.
class BinShares {
 public:
  void Add(int64_t first, int64_t last, double share) {
    first_[count_] = static_cast<int32_t>(first);
    last_[count_] = static_cast<int32_t>(last);
    share_[count_] = share;
    ++count_;
  }

  void AddTo(double* profile, int32_t binCount) const {
    int32_t unitExponent = 0;
    if (binCount <= kMaxExactBins && ExactInUnits(unitExponent)) {
      AddExactly(profile, binCount, unitExponent);
    } else {
      for (int32_t k = 0; k < count_; ++k) {
        AddToBins(profile + first_[k], last_[k] - first_[k] + 1, share_[k]);
      }
    }
  }

 private:
  static constexpr int32_t kMaxBars = kFarthestBack + 1;
  static constexpr int32_t kMaxExactBins = kMaxSegmentBins;

  bool ExactInUnits(int32_t& unitExponent) const {
    double magnitude = 0.0;
    int32_t smallest = std::numeric_limits<int32_t>::max();
    for (int32_t k = 0; k < count_; ++k) {
      const double share = share_[k];
      if (!std::isfinite(share)) return false;
      if (share == 0.0) continue;
      magnitude += std::fabs(share);
      const int32_t unit = BinaryExponent(share) - 23;
      if (unit < smallest) smallest = unit;
    }
    if (smallest == std::numeric_limits<int32_t>::max()) smallest = 0;
    unitExponent = smallest;
    // One bit of margin covers the rounding of `magnitude` itself.
    return magnitude < PowerOfTwo(52 + smallest);
  }

  void AddExactly(double* profile, int32_t binCount, int32_t unitExponent) const {
    int64_t steps[kMaxExactBins + 1];
    for (int32_t i = 0; i <= binCount; ++i) steps[i] = 0;
    // Powers of two scale exactly: the unit lies between 2^-172 and 2^105.
    const double toUnits = PowerOfTwo(-unitExponent);
    const double unit = PowerOfTwo(unitExponent);
    for (int32_t k = 0; k < count_; ++k) {
      if (share_[k] == 0.0) continue;
      const auto units = static_cast<int64_t>(share_[k] * toUnits);
      steps[first_[k]] += units;
      steps[last_[k] + 1] -= units;
    }
    int64_t units = 0;
    for (int32_t i = 0; i < binCount; ++i) {
      units += steps[i];
      // Bins start at zero, so a bin no share reached stays +0.0.
      profile[i] = static_cast<double>(units) * unit;
    }
  }

  int32_t first_[kMaxBars];
  int32_t last_[kMaxBars];
  double share_[kMaxBars];
  int32_t count_ = 0;
};

// Equal bits in, equal bits out: the last content and its result are kept, so
// a run of equal contents costs one division.
class Memo {
 public:
  template <typename Compute>
  double Of(double x, Compute compute) {
    uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    if (!valid_ || bits != bits_) {
      bits_ = bits;
      result_ = compute(x);
      valid_ = true;
    }
    return result_;
  }

 private:
  uint64_t bits_ = 0;
  double result_ = 0.0;
  bool valid_ = false;
};

// A bin's share of the total volume, rounded to single precision.
class Quotient {
 public:
  explicit Quotient(double total) : total_(total) {}
  double Of(double x) {
    return memo_.Of(x, [this](double v) { return RoundToSingle(v / total_); });
  }

 private:
  double total_;
  Memo memo_;
};

// A normalised bin rescaled so that the largest becomes `scale`.
class ScaledQuotient {
 public:
  ScaledQuotient(double scale, double largest) : scale_(scale), largest_(largest) {}
  double Of(double x) {
    return memo_.Of(x, [this](double v) { return v * scale_ / largest_; });
  }

 private:
  double scale_;
  double largest_;
  Memo memo_;
};

// Each bar's share of its volume for every bin its range covers, in bar
// order; returns the total volume of the window.
double SpreadVolumes(const WindowBars& bars, int32_t barCount, double low, double binSize,
                     int32_t binCount, BinShares& shares) {
  double total = 0.0;
  for (int32_t k = 0; k < barCount; ++k) {
    const double volume = bars.volume[k];
    int64_t lo = 0;
    int64_t hi = 0;
    // A bar whose bin position is not a number (NaN prices, or binCount 1
    // over a flat window where binSize is 0 / 0) fills no bin.
    if (FloorToInt((bars.low[k] - low) / binSize, lo) &&
        FloorToInt((bars.high[k] - low) / binSize, hi)) {
      ++lo;
      ++hi;
      const int64_t first = lo < 0 ? 0 : lo;
      const int64_t last = hi < binCount ? hi : static_cast<int64_t>(binCount) - 1;
      if (first <= last) {
        // The divisor counts every bin the bar spans, clipped ones included.
        shares.Add(first, last, RoundToSingle(volume / static_cast<double>(hi - lo + 1)));
      }
    }
    total = total + volume;
  }
  return total;
}

// Each bin as a share of the total, rounded to single precision, then
// rescaled so that the largest equals `scale`. Bins with equal contents
// (whole runs of them where bars overlap) give equal quotients, so each
// distinct content is divided once.
void NormaliseAndScale(double* profile, int32_t binCount, double total, double scale) {
  Quotient normalised(total);
  double largest = 0.0;
  for (int32_t i = 0; i < binCount; ++i) {
    profile[i] = normalised.Of(profile[i]);
    if (i == 0 || profile[i] > largest) largest = profile[i];
  }
  if (largest == 0.0) largest = 1.0;
  ScaledQuotient scaled(scale, largest);
  for (int32_t i = 0; i < binCount; ++i) profile[i] = scaled.Of(profile[i]);
}

// Node segmentation of one profile: whole percentages of the largest bin,
// their directions and mean, and the node mark of every bin.
class NodeGrower {
 public:
  NodeGrower(const double* profile, int32_t binCount) : binCount_(binCount) {
    double largest = profile[0];
    for (int32_t i = 1; i < binCount; ++i) {
      if (profile[i] > largest) largest = profile[i];
    }
    if (largest == 0.0) largest = 1.0;
    // The percentages are whole numbers, so their sum as doubles is exact in
    // any order (200 of them stay far below 2^53): it is formed as an integer.
    int64_t percentSum = 0;
    // x / 1.0 is x: a profile already scaled to 1.0 needs no division.
    const bool unit = largest == 1.0;
    for (int32_t i = 0; i < binCount; ++i) {
      const double ratio = unit ? profile[i] : profile[i] / largest;
      percent_[i] = Percent(ratio * 100);
      percentSum += percent_[i];
      direction_[i] =
          i == 0 || percent_[i] == percent_[i - 1] ? 0 : (percent_[i] > percent_[i - 1] ? 1 : -1);
      mark_[i] = 0;
    }
    mean_ = static_cast<double>(percentSum) / binCount;
  }

  // Grows every node, fullest peak first. The first node, around the fullest
  // bin, often takes most of the profile: only the candidates it leaves are
  // put in order for the others.
  void GrowAll() {
    int32_t first = -1;
    for (int32_t i = 0; i < binCount_ - 1; ++i) {
      if (percent_[i] >= kPeakPercent && (first < 0 || percent_[i] > percent_[first])) first = i;
    }
    if (first < 0) return;
    Grow(first);
    int32_t candidates[kMaxSegmentBins];
    const int32_t count = OrderPeakCandidates(percent_, mark_, binCount_, candidates);
    for (int32_t c = 0; c < count; ++c) {
      if (mark_[candidates[c]] == 0) Grow(candidates[c]);
    }
  }

  // Peaks, and bounds where one node gives way to the next.
  void Write(ProfileNodes& nodes) const {
    nodes.peakCount = 0;
    nodes.bounds[0] = 0;
    nodes.boundCount = 1;
    for (int32_t i = 1; i < binCount_; ++i) {
      if (mark_[i] == kPeakMark) {
        Append(nodes.peaks, nodes.peakCount, i);
      } else if (mark_[i] != mark_[i - 1] && mark_[i - 1] != kPeakMark) {
        Append(nodes.bounds, nodes.boundCount, i);
      }
    }
    Append(nodes.bounds, nodes.boundCount, binCount_ - 1);
  }

 private:
  void Grow(int32_t peak) {
    // Left: down to an earlier node or a falling bin below the mean, which
    // joins this node.
    int32_t left = peak - 1;
    while (left > 0 && mark_[left] == 0 && !(direction_[left] == -1 && percent_[left] < mean_)) {
      --left;
    }
    if (left < 0) left = 0;
    // Right: up to an earlier node or a rising bin below the mean, which
    // stays outside.
    int32_t right = peak + 1;
    while (right < binCount_ && mark_[right] == 0 &&
           !(direction_[right] == 1 && percent_[right] < mean_)) {
      ++right;
    }
    for (int32_t i = left; i < right; ++i) mark_[i] = node_;
    mark_[peak] = kPeakMark;
    ++node_;
  }

  int32_t binCount_;
  double mean_ = 0.0;
  int32_t node_ = 1;
  int32_t percent_[kMaxSegmentBins];
  int32_t direction_[kMaxSegmentBins];
  int32_t mark_[kMaxSegmentBins];
};

}  // namespace

void BuildVolumeProfile(const Indicator& owner, double* profile, int32_t binCount,
                        int32_t firstBack, int32_t lastBack, double scale, double& lowest,
                        double& highest) {
  for (int64_t i = 0; i <= binCount; ++i) profile[i] = 0.0;
  if (lastBack < firstBack) std::swap(firstBack, lastBack);
  if (lastBack > kFarthestBack) lastBack = kFarthestBack;
  int32_t start = firstBack < 0 ? 0 : firstBack;
  // A nearer end beyond the stored bars is limited like the farther one, so
  // nothing outside the series is ever read.
  if (start > kFarthestBack) start = kFarthestBack;

  // The window's bars, newest first, read once from each series.
  const int32_t barCount = lastBack < start ? 0 : lastBack - start + 1;
  WindowBars bars;
  bars.Read(owner, start, barCount);

  double low = owner.lowSeries.Get(start);
  double high = owner.highSeries.Get(start);
  for (int32_t k = 1; k < barCount; ++k) {
    if (bars.low[k] < low) low = bars.low[k];
  }
  for (int32_t k = 1; k < barCount; ++k) {
    if (bars.high[k] > high) high = bars.high[k];
  }

  double binSize = (high - low) / static_cast<double>(static_cast<int64_t>(binCount) - 1);
  if (binSize == 0.0) binSize = 1.0;
  BinShares shares;
  double total = SpreadVolumes(bars, barCount, low, binSize, binCount, shares);
  shares.AddTo(profile, binCount);
  if (total == 0.0) total = 1.0;
  NormaliseAndScale(profile, binCount, total, scale);

  lowest = low;
  highest = high;
}

void SegmentProfile(const double* profile, int32_t binCount, ProfileNodes& nodes) {
  if (binCount < 2 || binCount > kMaxSegmentBins) return;
  NodeGrower grower(profile, binCount);
  grower.GrowAll();
  grower.Write(nodes);
}

}  // namespace zeb
