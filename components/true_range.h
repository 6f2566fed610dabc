#pragma once

namespace zeb {

// Bar range widened to the previous close when that close lies outside it.
inline double TrueRange(double prevClose, double high, double low) {
  const double hi = prevClose > high ? prevClose : high;
  const double lo = prevClose < low ? prevClose : low;
  return hi - lo;
}

}  // namespace zeb
