#include "components/profile_box.h"

#include <cmath>

namespace zeb {

void FindProfileBox(const double* values, int32_t binCount, double low, double high,
                    double& upperEdge, double& peakLevel, double& lowerEdge) {
  if (binCount < 1) {
    upperEdge = peakLevel = lowerEdge = low;
    return;
  }
  int32_t center = 0;
  double peak = values[0];
  for (int32_t i = 1; i < binCount; ++i) {
    if (values[i] > peak) {
      peak = values[i];
      center = i;
    }
  }
  const double half = std::floor(peak * 0.5);
  int32_t left = center - 1;
  while (left > 0 && values[left] > half) --left;
  int32_t right = center + 1;
  while (right < binCount && values[right] > half) ++right;

  const double step = (high - low) / static_cast<double>(binCount);
  upperEdge = static_cast<double>(right < binCount ? right : binCount) * step + low;
  peakLevel = static_cast<double>(center) * step + low;
  lowerEdge = static_cast<double>(left > 1 ? left : 1) * step + low;
}

}  // namespace zeb
