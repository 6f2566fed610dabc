#pragma once

#include <cstdint>

namespace zeb {

// Event a Vega calculation ends with; a recalculation of the same bar undoes it.
enum class VegaEvent : int32_t {
  kNone = 0,
  kLongEntry = 1,
  kLongExit = 2,
  kShortEntry = 4,
  kShortExit = 5,
  kLongStopped = 6,
  kShortStopped = 7,
};

// What a Vega calculation did to the position (outputs 12 and 13).
enum class VegaBarCode : int32_t {
  kNotCalculated = 0,
  kExited = 1,
  kNothing = 2,
  kEntered = 3,
  kLongHeld = 4,  // on a later calculation than the entry
  kShortHeld = 5,
  kStopped = 6,
};

// Which side a Vega calculation opened (output 14).
enum class VegaEntrySignal : int32_t {
  kNone = 0,
  kLong = 1,
  kShort = 2,
};

// What tells Vega's long side from its short side. Both run the same update
// routine; the direction mirrors every price test, and the last three fields
// are the deliberate differences between the sides.
struct VegaSideRules {
  bool isLong;  // the side profits from rising prices: its box edge is the box high
  VegaEvent entered;
  VegaEvent exited;
  VegaEvent stopped;
  VegaBarCode held;
  VegaEntrySignal signal;
  // The long target counts as touched when the high equals it; the short
  // target only when the low lies strictly below it.
  bool targetTouchedOnEqual;
  // The short side skips its hold marker and its stop tests on a calculation
  // that has already produced an event; the long side always runs them.
  bool quietAfterEvent;
  // A short exit whose close lies above the box opens a long at once (whether
  // or not the long side is enabled); a long exit below the box opens nothing.
  bool reversesOnExit;

  // `a` lies strictly beyond `b` in the side's favourable direction.
  bool Beyond(double a, double b) const { return isLong ? a > b : b > a; }
  // The same, counting equality.
  bool BeyondOrAt(double a, double b) const { return isLong ? a >= b : b >= a; }
};

inline constexpr VegaSideRules kVegaLongRules = {
    true,  // isLong
    VegaEvent::kLongEntry,
    VegaEvent::kLongExit,
    VegaEvent::kLongStopped,
    VegaBarCode::kLongHeld,
    VegaEntrySignal::kLong,
    true,   // targetTouchedOnEqual
    false,  // quietAfterEvent
    false,  // reversesOnExit
};

inline constexpr VegaSideRules kVegaShortRules = {
    false,  // isLong
    VegaEvent::kShortEntry,
    VegaEvent::kShortExit,
    VegaEvent::kShortStopped,
    VegaBarCode::kShortHeld,
    VegaEntrySignal::kShort,
    false,  // targetTouchedOnEqual
    true,   // quietAfterEvent
    true,   // reversesOnExit
};

// One side of Vega's position: its rules, whether it holds the position, its
// levels as derived from the current box, and its last entry and exit prices.
struct VegaSide {
  const VegaSideRules* rules;
  bool open = false;
  double stop = 0.0;
  double target = 0.0;
  double entryPrice = 0.0;
  double exitPrice = 0.0;  // close at the last exit
};

}  // namespace zeb
