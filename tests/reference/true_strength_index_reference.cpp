#include <cmath>
#include <initializer_list>

#include "components/exp_average.h"
#include "components/true_strength_index.h"

namespace zeb {
namespace {

// One smoothing step: (input - old) x a + old.
double Smooth(double old, double input, double a) {
  return (input - old) * a + old;
}

}  // namespace

void TrueStrengthIndex::Init(int32_t first, int32_t second, int32_t third,
                             int32_t signalSmoothing) {
  firstLength = first;
  secondLength = second;
  thirdLength = third;
  signalLength = signalSmoothing;
  prevClose = 0.0;
  value = 0.0;
  signal = 0.0;
  firstUpdate = true;
}

void TrueStrengthIndex::Update(double close) {
  if (firstUpdate) {
    firstUpdate = false;
    SeedAverages();
  } else {
    const double m = close - prevClose;
    const double a1 = SmoothingFactor(firstLength);
    const double a2 = SmoothingFactor(secondLength);
    const double a3 = SmoothingFactor(thirdLength);
    momentum1 = Smooth(momentum1, m, a1);
    absMomentum1 = Smooth(absMomentum1, std::fabs(m), a1);
    momentum2 = Smooth(momentum2, momentum1, a2);
    absMomentum2 = Smooth(absMomentum2, absMomentum1, a2);
    momentum3 = Smooth(momentum3, momentum2, a3);
    absMomentum3 = Smooth(absMomentum3, absMomentum2, a3);
  }
  prevClose = close;
  value = absMomentum3 != 0.0 ? momentum3 * 100 / absMomentum3 : 0.0;
  signal = Smooth(signal, value, SmoothingFactor(signalLength));
  if (!Finite()) {
    // Lengths below 1 give factors outside 0..1, under which the averages grow
    // without bound. An average that has left the finite range starts again
    // from its seed instead of staying infinite or NaN for ever.
    SeedAverages();
    value = 0.0;
  }
}

void TrueStrengthIndex::SeedAverages() {
  momentum1 = momentum2 = momentum3 = 0.0;
  absMomentum1 = absMomentum2 = absMomentum3 = 0.0;
  signal = 0.0;
}

bool TrueStrengthIndex::Finite() const {
  for (const double x :
       {momentum1, momentum2, momentum3, absMomentum1, absMomentum2, absMomentum3, value, signal}) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}

}  // namespace zeb
