#include "core/usable_bar.h"

namespace zeb {
void ReplaceBarFields(BarValues& bar, uint32_t fields, const BarValues& previous) {
  if (fields & kBarOpen) bar.open = previous.open;
  if (fields & kBarHigh) bar.high = previous.high;
  if (fields & kBarLow) bar.low = previous.low;
  if (fields & kBarClose) bar.close = previous.close;
  if (fields & kBarVolume1) bar.volume1 = 0.0;
  if (fields & kBarVolume2) bar.volume2 = 0.0;
}

const char* BarFieldName(int32_t i) {
  static const char* const kNames[kBarFieldCount] = {"open",  "high",    "low",
                                                     "close", "volume1", "volume2"};
  return i >= 0 && i < kBarFieldCount ? kNames[i] : "";
}

}  // namespace zeb
