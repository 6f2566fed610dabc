#pragma once

#include <cstdint>
#include <cstring>

namespace zeb {

// Whether two doubles have the same bits (unlike ==, -0.0 differs from 0.0
// and a NaN equals its own bits): the test for reusing a value computed from
// exactly these inputs.
inline bool SameBits(double a, double b) {
  uint64_t x = 0;
  uint64_t y = 0;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

}  // namespace zeb
