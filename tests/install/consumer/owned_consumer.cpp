// The installed C++ header with the static library: a caller-owned instance
// gives what a handle of the C functions gives, and needs no handle.
#include <cstdio>

#include "zeb_indicators.h"
#include "zeb_indicators.hpp"

int main() {
  zeb::OwnedIndicator owned("RATIO", "CONSUMER");
  owned.SetParameter("lookback", 3);
  const int32_t handle = ZEB_IndicatorInit(nullptr, "RATIO", "CONSUMER");
  ZEB_IndicatorSetParameter(handle, 0, 3);
  for (int32_t bar = 1; bar <= 20; ++bar) {
    const double close = 100.0 + (bar % 5) * 0.5;
    owned.SetBar(bar, 20240102, 930 + bar, close, close + 1, close - 1, close, 10, 5);
    ZEB_IndicatorSetBar(handle, bar, 20240102, 930 + bar, close, close + 1, close - 1, close, 10,
                        5);
    if (owned.Value(0) != ZEB_IndicatorValue(handle, 0)) {
      std::fprintf(stderr, "owned instance differs at bar %d\n", static_cast<int>(bar));
      return 1;
    }
  }
  if (handle != 35) {
    std::fprintf(stderr, "the owned instance took a handle: first handle %d\n",
                 static_cast<int>(handle));
    return 1;
  }
  return 0;
}
