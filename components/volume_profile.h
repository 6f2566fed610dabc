#pragma once

#include <cstdint>

namespace zeb {

class Indicator;
// What a caller that builds profile after profile keeps between builds, so
// that work a window shares with the last one is not done again
// (components/profile_parts.h).
struct ProfileCache;

// Volume-at-price profile of a stretch of stored bars.
//
// Bars are addressed by offset from the newest (0 = newest); the two ends may
// come in either order and the farther end is limited to the 299 bars the
// series can serve (offset 298), the nearer one likewise. Each bar's volume is
// spread evenly over the bins its low-high range covers (bin of price p:
// floor((p - lowest) / binSize) + 1 with binSize = (highest - lowest) /
// (binCount - 1), the top step folded into bin binCount - 1, bin 0 never
// filled). The profile is then normalised to the total volume and rescaled so
// that its largest bin equals `scale`. Shares and normalised bins are rounded
// to single precision, which fixes the results bit for bit.
//
// `profile` holds at least binCount + 1 doubles; entries 0..binCount are
// zeroed first. `lowest` and `highest` receive the stretch's extremes. With a
// cache, the results are still exactly those of the stretch alone.
void BuildVolumeProfile(const Indicator& owner, double* profile, int32_t binCount,
                        int32_t firstBack, int32_t lastBack, double scale, double& lowest,
                        double& highest, ProfileCache* cache = nullptr);

// The high-volume nodes of a profile: node peaks in ascending bin order, and
// bounds (bin 0, every bin at which a node begins, binCount - 1). Lists longer
// than kCapacity keep their first kCapacity entries; only the entries below
// the counts are set (the lists are filled for every build, so they are
// left uninitialised).
struct ProfileNodes {
  static constexpr int32_t kCapacity = 50;
  int32_t peaks[kCapacity];
  int32_t peakCount = 0;
  int32_t bounds[kCapacity];
  int32_t boundCount = 0;
};

// Grows a node around each dominant bin (at least 60 percent of the largest,
// fullest first) until the profile turns back up below its mean percentage.
// A binCount outside 2..200 leaves `nodes` untouched.
void SegmentProfile(const double* profile, int32_t binCount, ProfileNodes& nodes);

// BuildVolumeProfile with scale 1.0 followed by SegmentProfile on the result,
// sharing the work of the two: the same profile, extremes and nodes. With a
// cache, the results are still exactly those of the window alone.
void BuildAndSegmentProfile(const Indicator& owner, double* profile, int32_t binCount,
                            int32_t firstBack, int32_t lastBack, double& lowest, double& highest,
                            ProfileNodes& nodes, ProfileCache* cache = nullptr);

}  // namespace zeb
