#include "core/usable_bar.h"

#include <cmath>

namespace zeb {
namespace {

bool Usable(double value) {
  return std::isfinite(value) && std::fabs(value) <= kLargestBarValue;
}

// Replaces an unusable figure by `replacement`; sets `field` in `replaced`.
void Keep(double& value, double replacement, uint32_t field, uint32_t& replaced) {
  if (Usable(value)) return;
  value = replacement;
  replaced |= field;
}

}  // namespace

uint32_t ReplaceUnusableBarValues(BarValues& bar, const BarValues& previous) {
  uint32_t replaced = 0;
  Keep(bar.open, previous.open, kBarOpen, replaced);
  Keep(bar.high, previous.high, kBarHigh, replaced);
  Keep(bar.low, previous.low, kBarLow, replaced);
  Keep(bar.close, previous.close, kBarClose, replaced);
  Keep(bar.volume1, 0.0, kBarVolume1, replaced);
  Keep(bar.volume2, 0.0, kBarVolume2, replaced);
  return replaced;
}

const char* BarFieldName(int32_t i) {
  static const char* const kNames[kBarFieldCount] = {"open",  "high",    "low",
                                                     "close", "volume1", "volume2"};
  return i >= 0 && i < kBarFieldCount ? kNames[i] : "";
}

}  // namespace zeb
