#pragma once

#include <cstdint>

namespace zeb {

// Box around the fullest bin of a binned distribution whose bins run upward
// in price from `low` in steps of (high - low) / binCount. `peakLevel` is the
// fullest bin's level (lowest index among equal maxima); the edges are the
// nearest bins on either side whose content is at or below half the peak
// (floored to a whole number), where bin 0 is never an edge and no bin above
// the peak gives `high`. A binCount below 1 gives `low` for all three levels.
void FindProfileBox(const double* values, int32_t binCount, double low, double high,
                    double& upperEdge, double& peakLevel, double& lowerEdge);

}  // namespace zeb
