#include "components/volume_imbalance.h"

#include <cstdint>
#include <cstring>

#include "core/indicator.h"

namespace zeb {
namespace {

// The parts of d as `d < 0.0 ? 0.0 : d` and `d < 0.0 ? -d : 0.0` give them,
// bit for bit, without a branch on the sign that volume data leaves
// unpredictable: a negative d moves, sign cleared, to the negative part; any
// other d (-0.0 and NaN included) stays the positive part; the other part is
// +0.0.
void SplitBySign(double d, double& positivePart, double& negativePart) {
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  const uint64_t negative = uint64_t{0} - static_cast<uint64_t>(d < 0.0);
  const uint64_t positiveBits = bits & ~negative;
  const uint64_t negativeBits = (bits ^ (uint64_t{1} << 63)) & negative;
  std::memcpy(&positivePart, &positiveBits, sizeof positivePart);
  std::memcpy(&negativePart, &negativeBits, sizeof negativePart);
}

}  // namespace

void VolumeImbalance::Update(const Indicator& indicator, bool isNewBar, int32_t window,
                             int32_t averageLength, double& positive, double& negative) {
  const double d = indicator.volume1Series.Newest() - indicator.volume2Series.Newest();
  double positivePart = 0.0;
  double negativePart = 0.0;
  SplitBySign(d, positivePart, negativePart);
  if (isNewBar) {
    positiveSeries.Push(positivePart);
    negativeSeries.Push(negativePart);
  } else {
    positiveSeries.SetCurrent(positivePart);
    negativeSeries.SetCurrent(negativePart);
  }
  double sp = 0.0;
  double sn = 0.0;
  WindowSumPair(positiveSeries, positivePart, negativeSeries, negativePart, window, sp, sn);
  positive = positiveAverage.Update(averageLength, sp);
  negative = negativeAverage.Update(averageLength, sn);
}

}  // namespace zeb
