#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "support/bars.h"

namespace zeb::test {

// FNV-1a digest of every listed output after every bar of a fixed bar stream,
// as raw bits. Tests pin the digest so that the native and the Win32 builds
// must produce the very same bits. The stream uses exact arithmetic only (no
// library maths), so it is itself identical on every platform; every third bar
// is stored twice, the second time with another close, to exercise same-bar
// recalculations.
struct OutputRange {
  int32_t first;
  int32_t last;
};

inline uint64_t OutputDigest(const char* keyword,
                             std::initializer_list<std::pair<int32_t, double>> parameters,
                             std::initializer_list<OutputRange> outputs, int32_t bars = 600) {
  const int32_t h = Create(keyword);
  for (const auto& p : parameters) ZEB_IndicatorSetParameter(h, p.first, p.second);
  uint64_t digest = 14695981039346656037ULL;
  auto put = [&digest](double v) {
    uint64_t bits = 0;
    if (!std::isnan(v)) std::memcpy(&bits, &v, sizeof bits);  // every NaN alike
    for (int i = 0; i < 8; ++i) {
      digest ^= (bits >> (8 * i)) & 0xff;
      digest *= 1099511628211ULL;
    }
  };
  uint32_t state = 2463534242u;
  auto uniform = [&state]() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;
  };
  double price = 100.0;
  for (int32_t n = 1; n <= bars; ++n) {
    const double open = price;
    price = std::round((price + (uniform() - 0.5) * 1.2 + (100.0 - price) * 0.02) * 100) / 100;
    const double high = (open > price ? open : price) + std::round(uniform() * 40) / 100;
    const double low = (open < price ? open : price) - std::round(uniform() * 40) / 100;
    Bar bar{n,
            20240102 + n / 78,
            open,
            high,
            low,
            price,
            std::round(200 + uniform() * 900),
            std::round(200 + uniform() * 900)};
    put(Feed(h, bar));
    if (n % 3 == 0) {
      bar.close = std::round((price + (uniform() - 0.5)) * 100) / 100;
      put(Feed(h, bar));
    }
    for (const OutputRange& r : outputs) {
      for (int32_t i = r.first; i <= r.last; ++i) put(ZEB_IndicatorValue(h, i));
    }
  }
  return digest;
}

}  // namespace zeb::test
