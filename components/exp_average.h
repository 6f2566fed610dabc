#pragma once

#include <cstdint>

namespace zeb {

// Weight 2 / (length + 1) of an exponential moving average. The sum is formed
// in 64 bits, so every 32-bit length is defined and gives the exact quotient
// the integer sum would give wherever that sum fits. A length of 1 gives 1;
// 0 and negative lengths give weights of 2 and above (or infinity for -1).
constexpr double SmoothingFactor(int32_t length) {
  return 2.0 / static_cast<double>(static_cast<int64_t>(length) + 1);
}

// One-value exponential moving average, seeded at 0.
class ExpAverage {
 public:
  // Moves the average toward x and returns the new average.
  double Update(int32_t length, double x) {
    value = SmoothingFactor(length) * (x - value) + value;
    return value;
  }

  double value = 0.0;
};

}  // namespace zeb
