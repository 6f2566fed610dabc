#include "components/true_strength_index.h"

#include <cmath>

#include "components/exp_average.h"

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
  firstFactor_ = SmoothingFactor(first);
  secondFactor_ = SmoothingFactor(second);
  thirdFactor_ = SmoothingFactor(third);
  signalFactor_ = SmoothingFactor(signalSmoothing);
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
    momentum1 = Smooth(momentum1, m, firstFactor_);
    absMomentum1 = Smooth(absMomentum1, std::fabs(m), firstFactor_);
    momentum2 = Smooth(momentum2, momentum1, secondFactor_);
    absMomentum2 = Smooth(absMomentum2, absMomentum1, secondFactor_);
    momentum3 = Smooth(momentum3, momentum2, thirdFactor_);
    absMomentum3 = Smooth(absMomentum3, absMomentum2, thirdFactor_);
  }
  prevClose = close;
  value = absMomentum3 != 0.0 ? momentum3 * 100 / absMomentum3 : 0.0;
  signal = Smooth(signal, value, signalFactor_);
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
  // x * 0 is a zero for every finite x and NaN for an infinity or NaN, so the
  // sum of the products is zero exactly when all eight values are finite.
  return momentum1 * 0.0 + momentum2 * 0.0 + momentum3 * 0.0 + absMomentum1 * 0.0 +
             absMomentum2 * 0.0 + absMomentum3 * 0.0 + value * 0.0 + signal * 0.0 ==
         0.0;
}

}  // namespace zeb
