#include <cmath>
#include <cstdint>
#include <utility>

#include "components/single_precision.h"
#include "components/volume_profile.h"
#include "core/indicator.h"

namespace zeb {
namespace {

// Farthest offset a window may reach: the series hold kBarCapacity bars.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;
constexpr int32_t kMaxSegmentBins = 200;
constexpr int32_t kPeakPercent = 60;
// Peak bins carry a mark no node number can take (node numbers count from 1).
constexpr int32_t kPeakMark = -1;

// floor(value) truncated to a 32-bit integer, with values beyond that range
// saturated at its ends, so that every finite or infinite value has a defined
// result; false for NaN, which has none. Identical to the plain truncation
// wherever that is defined.
bool FloorToInt(double value, int64_t& result) {
  const double f = std::floor(value);
  if (std::isnan(f)) return false;
  if (f >= 2147483647.0) {
    result = 2147483647;
  } else if (f <= -2147483648.0) {
    result = -2147483648LL;
  } else {
    result = static_cast<int32_t>(f);
  }
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

  double low = owner.lowSeries.Get(start);
  double high = owner.highSeries.Get(start);
  for (int32_t k = start + 1; k <= lastBack; ++k) {
    const double barLow = owner.lowSeries.Get(k);
    const double barHigh = owner.highSeries.Get(k);
    if (barLow < low) low = barLow;
    if (barHigh > high) high = barHigh;
  }

  double binSize = (high - low) / static_cast<double>(static_cast<int64_t>(binCount) - 1);
  if (binSize == 0.0) binSize = 1.0;

  double total = 0.0;
  for (int32_t k = start; k <= lastBack; ++k) {
    const double volume = owner.volumeSeries.Get(k);
    int64_t lo = 0;
    int64_t hi = 0;
    // A bar whose bin position is not a number (NaN prices, or binCount 1
    // over a flat window where binSize is 0 / 0) fills no bin.
    if (FloorToInt((owner.lowSeries.Get(k) - low) / binSize, lo) &&
        FloorToInt((owner.highSeries.Get(k) - low) / binSize, hi)) {
      ++lo;
      ++hi;
      const int64_t first = lo < 0 ? 0 : lo;
      const int64_t last = hi < binCount ? hi : static_cast<int64_t>(binCount) - 1;
      if (first <= last) {
        // The divisor counts every bin the bar spans, clipped ones included.
        const double share = RoundToSingle(volume / static_cast<double>(hi - lo + 1));
        for (int64_t i = first; i <= last; ++i) profile[i] += share;
      }
    }
    total = total + volume;
  }
  if (total == 0.0) total = 1.0;

  double largest = 0.0;
  for (int32_t i = 0; i < binCount; ++i) {
    profile[i] = RoundToSingle(profile[i] / total);
    if (i == 0 || profile[i] > largest) largest = profile[i];
  }
  if (largest == 0.0) largest = 1.0;
  for (int32_t i = 0; i < binCount; ++i) profile[i] = profile[i] * scale / largest;

  lowest = low;
  highest = high;
}

void SegmentProfile(const double* profile, int32_t binCount, ProfileNodes& nodes) {
  if (binCount < 2 || binCount > kMaxSegmentBins) return;

  double largest = profile[0];
  for (int32_t i = 1; i < binCount; ++i) {
    if (profile[i] > largest) largest = profile[i];
  }
  if (largest == 0.0) largest = 1.0;

  int32_t percent[kMaxSegmentBins];
  int32_t direction[kMaxSegmentBins];
  int32_t mark[kMaxSegmentBins];
  double percentSum = 0.0;
  for (int32_t i = 0; i < binCount; ++i) {
    percent[i] = Percent(profile[i] / largest * 100);
    percentSum += percent[i];
  }
  const double mean = percentSum / binCount;
  for (int32_t i = 0; i < binCount; ++i) {
    direction[i] = 0;
    if (i > 0 && percent[i] > percent[i - 1]) direction[i] = 1;
    if (i > 0 && percent[i] < percent[i - 1]) direction[i] = -1;
    mark[i] = 0;
  }

  for (int32_t node = 1;; ++node) {
    // Fullest unclaimed bin of at least 60 percent; the last bin never peaks.
    int32_t peak = -1;
    for (int32_t i = 0; i < binCount - 1; ++i) {
      if (mark[i] == 0 && percent[i] >= kPeakPercent && (peak < 0 || percent[i] > percent[peak])) {
        peak = i;
      }
    }
    if (peak < 0) break;
    // Left: down to an earlier node or a falling bin below the mean, which
    // joins this node.
    int32_t left = peak - 1;
    while (left > 0 && mark[left] == 0 && !(direction[left] == -1 && percent[left] < mean)) --left;
    if (left < 0) left = 0;
    // Right: up to an earlier node or a rising bin below the mean, which
    // stays outside.
    int32_t right = peak + 1;
    while (right < binCount && mark[right] == 0 &&
           !(direction[right] == 1 && percent[right] < mean)) {
      ++right;
    }
    for (int32_t i = left; i < right; ++i) mark[i] = node;
    mark[peak] = kPeakMark;
  }

  nodes.peakCount = 0;
  nodes.bounds[0] = 0;
  nodes.boundCount = 1;
  for (int32_t i = 1; i < binCount; ++i) {
    if (mark[i] == kPeakMark) {
      Append(nodes.peaks, nodes.peakCount, i);
    } else if (mark[i] != mark[i - 1] && mark[i - 1] != kPeakMark) {
      Append(nodes.bounds, nodes.boundCount, i);
    }
  }
  Append(nodes.bounds, nodes.boundCount, binCount - 1);
}

}  // namespace zeb
