#pragma once

#include <cstdint>

#include "zeb_indicators.h"

namespace zeb::test {

// One bar as a host passes it.
struct Bar {
  int32_t number;
  int32_t date;
  double open, high, low, close;
  double volume1 = 0.0, volume2 = 0.0;
  int32_t time = 0;
};

inline int32_t Feed(int32_t handle, const Bar& b) {
  return ZEB_IndicatorSetBar(handle, b.number, b.date, b.time, b.open, b.high, b.low, b.close,
                             b.volume1, b.volume2);
}

inline int32_t FeedNoCalc(int32_t handle, const Bar& b) {
  return ZEB_IndicatorSetBarNoCalc(handle, b.number, b.date, b.time, b.open, b.high, b.low, b.close,
                                   b.volume1, b.volume2);
}

inline int32_t Create(const char* keyword, const char* symbol = "TEST") {
  return ZEB_IndicatorInit(nullptr, keyword, symbol);
}

}  // namespace zeb::test
