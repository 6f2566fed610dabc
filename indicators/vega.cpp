#include "indicators/vega.h"

#include <algorithm>
#include <cmath>

#include "components/profile_box.h"
#include "components/series_stats.h"
#include "components/volume_profile.h"

namespace zeb {
namespace {

constexpr int32_t kBoxBins = 10;
constexpr int32_t kMaxWindow = 299;

// barCode values.
constexpr int32_t kExited = 1;
constexpr int32_t kNothing = 2;
constexpr int32_t kEntered = 3;
constexpr int32_t kLongHeld = 4;
constexpr int32_t kShortHeld = 5;
constexpr int32_t kStopped = 6;

const ParameterInfo kParameters[] = {
    {0, "signalThreshold", ParameterKind::Integer, true, 2, true, 1, kMaxWindow,
     "smallest turn strength that rebuilds the box (above 3 never)"},
    {1, "profileLookback", ParameterKind::Integer, true, 7, true, 1, kMaxWindow,
     "oldest bar offset of the profile window, and the period the turn detector takes when "
     "this is set (until then it runs with period 5)",
     ParameterUse::Restart},
    {3, "stored3", ParameterKind::Integer, true, 7, true, 1, kMaxWindow,
     "kept for the host; no effect", ParameterUse::Inert},
    {4, "stored4", ParameterKind::Integer, true, 3, true, 1, kMaxWindow,
     "kept for the host; no effect", ParameterUse::Inert},
    {5, "profileScale", ParameterKind::Integer, true, 100, true, 1, kMaxWindow,
     "content of the fullest profile bin; the box edges lie at half of it"},
    {6, "longEnabled", ParameterKind::Flag, false, 0, true, 0, 1,
     "1 lets the long side open positions"},
    {7, "shortEnabled", ParameterKind::Flag, false, 0, true, 0, 1,
     "1 lets the short side open positions"},
    {8, "stopFactor", ParameterKind::Double, true, 1.0, true, -3.0, 3.0,
     "stop distance in box widths"},
    {9, "targetPercent", ParameterKind::Double, true, 0.25, true, -3.0, 3.0,
     "target distance in percent of the box edge"},
    {10, "stored10", ParameterKind::Integer, true, 27, true, 1, 100, "kept for the host; no effect",
     ParameterUse::Inert},
    {11, "stopOnExtreme", ParameterKind::Flag, true, 0, true, 0, 1,
     "0: stops are tested against the close; 1: against the low (long) or the high (short)"},
    {17, "stopMode", ParameterKind::Flag, true, 1, true, 0, 1,
     "1: plain stops; 0: widened stops that also consider the far box edge plus 3 widths"},
};

const OutputInfo kOutputs[] = {
    {0, 1, "zero", "always 0", OutputRole::Figure},
    {2, 2, "minusOne", "always -1", OutputRole::Figure},
    {3, 3, "zero3", "always 0", OutputRole::Figure},
    {4, 4, "longExitPrice", "close at the last long exit", OutputRole::Marker},
    {5, 5, "shortExitPrice", "close at the last short exit", OutputRole::Marker},
    {6, 6, "longEntryPrice", "price of the last long entry", OutputRole::Marker},
    {7, 7, "stop", "stop of the open position, as last published", OutputRole::Marker},
    {8, 8, "shortEntryPrice", "price of the last short entry", OutputRole::Marker},
    {9, 9, "barHigh", "newest high as of the last calculation", OutputRole::Figure},
    {10, 10, "barLow", "newest low as of the last calculation", OutputRole::Figure},
    {11, 11, "target", "target of the open position, as last published", OutputRole::Marker},
    {12, 13, "barCode", "2 nothing, 3 entry, 4 long held, 5 short held, 6 stopped out, 1 exit",
     OutputRole::Figure},
    {14, 14, "entrySignal", "1 when this calculation opened a long, 2 a short, else 0",
     OutputRole::Figure},
    {15, 15, "levelsPublished", "1 when this calculation published stop and target",
     OutputRole::Flag},
    {16, 16, "levelsPublishedAgain", "output 15 again", OutputRole::Figure},
};

}  // namespace

const IndicatorInfo Vega::kInfo = {
    "VEGA",
    "Vega",
    "Box-breakout signals: a volume-profile box rebuilt at RSI turns, entries on closes beyond "
    "it, stops and targets derived from its width.",
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kOutputs,
    static_cast<int32_t>(sizeof(kOutputs) / sizeof(kOutputs[0])),
    0.0,
    "longEnabled=1 shortEnabled=1 signalThreshold=1",
};

double Vega::Value(int32_t index) {
  switch (index) {
    case 2:
      return -1.0;
    case 4:
      return longExitPrice;
    case 5:
      return shortExitPrice;
    case 6:
      return longEntryPrice;
    case 7:
      return currentStop;
    case 8:
      return shortEntryPrice;
    case 9:
      return barHigh;
    case 10:
      return barLow;
    case 11:
      return currentTarget;
    case 12:
    case 13:
      return barCode;
    case 14:
      return entrySignal;
    case 15:
    case 16:
      return levelsPublished;
    default:
      return 0.0;
  }
}

void Vega::SetParameter(int32_t index, double value) {
  switch (index) {
    case 0:
      signalThreshold = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 1:
      profileLookback = ClampedParameter(value, 1, kMaxWindow);
      detector.Restart(profileLookback);
      break;
    case 3:
      storedIntegers[0] = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 4:
      storedIntegers[1] = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 5:
      profileScale = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 6:
      longEnabled = ClampedParameter(value, 0, 1);
      break;
    case 7:
      shortEnabled = ClampedParameter(value, 0, 1);
      break;
    case 8:
      SetDoubleParameter(stopFactor, index, ClampDouble(value, -3.0, 3.0));
      break;
    case 9:
      SetDoubleParameter(targetPercent, index, ClampDouble(value, -3.0, 3.0));
      break;
    case 10:
      storedIntegers[2] = ClampedParameter(value, 1, 100);
      break;
    case 11:
      stopOnExtreme = ClampedParameter(value, 0, 1);
      break;
    case 17:
      stopMode = ClampedParameter(value, 0, 1);
      break;
    default:
      break;
  }
}

void Vega::Reset() {
  signalThreshold = 2;
  profileLookback = 7;
  profileScale = 100;
  stopFactor = 1.0;
  targetPercent = 0.25;
  stopOnExtreme = 0;
  stopMode = 1;
  storedIntegers[0] = 7;
  storedIntegers[1] = 3;
  storedIntegers[2] = 27;
  inPosition = longOpen = shortOpen = 0;
  entryCount = calcCount = 0;
  exitArmed = false;
  longExitPrice = shortExitPrice = longEntryPrice = shortEntryPrice = 0.0;
  currentStop = currentTarget = barHigh = barLow = 0.0;
  barCode = 0;
}

int32_t Vega::Calculate(bool isNewBar) {
  const double open = openSeries.Get(0);
  const double high = highSeries.Get(0);
  const double low = lowSeries.Get(0);
  const double close = closeSeries.Get(0);

  ++calcCount;
  entrySignal = 0;
  levelsPublished = 0;
  const int32_t code = detector.UpdateBar(open, high, low, close, isNewBar);
  if ((code < 0 ? -code : code) >= signalThreshold) RebuildBox();
  UpdateLevels();
  barHigh = high;
  barLow = low;
  barCode = kNothing;
  if (!isNewBar) UndoLastEvent();
  lastEvent = kNone;
  if (boxLow <= close && close <= boxHigh) entryCount = 0;
  if (longEnabled == 1) RunLongSide(open, high, low, close);
  if (shortEnabled == 1) RunShortSide(open, high, low, close);
  return 0;
}

void Vega::RebuildBox() {
  double profile[kBoxBins + 1];
  double lowest = 0.0;
  double highest = 0.0;
  BuildVolumeProfile(*this, profile, kBoxBins, profileLookback, 0,
                     static_cast<double>(profileScale), lowest, highest);
  FindProfileBox(profile, kBoxBins, lowest, highest, boxHigh, boxPeak, boxLow);
}

void Vega::UpdateLevels() {
  const double p = targetPercent * 0.01;
  targetAbove = boxHigh + p * boxHigh;
  targetBelow = boxLow - p * boxLow;
  const double w = std::fabs(boxHigh - boxLow);
  const double k = stopFactor;
  longStop = std::max(boxHigh - k * w, boxHigh - 3 * w);
  shortStop = std::min(boxLow + k * w, boxLow + 3 * w);
  if (stopMode == 0) {
    // Widened: the far edge three widths out also bounds the stop.
    longStop = std::max(longStop, boxLow + 3 * w);
    shortStop = std::min(shortStop, boxHigh - 3 * w);
  }
}

void Vega::UndoLastEvent() {
  switch (lastEvent) {
    case kLongEntry:
      entryCount = 0;
      longOpen = 0;
      inPosition = 0;
      break;
    case kShortEntry:
      entryCount = 0;
      shortOpen = 0;
      inPosition = 0;
      break;
    case kLongExit:
      exitArmed = true;
      Reopen(longOpen);
      break;
    case kShortExit:
      exitArmed = true;
      Reopen(shortOpen);
      break;
    case kLongStopped:
      Reopen(longOpen);
      break;
    case kShortStopped:
      Reopen(shortOpen);
      break;
    default:
      break;
  }
}

void Vega::Reopen(int32_t& sideOpen) {
  sideOpen = 1;
  entryCount = 1;
  inPosition = 1;
}

void Vega::OpenLong(double open) {
  barCode = kEntered;
  lastEvent = kLongEntry;
  longEntryPrice = open > boxHigh ? open : boxHigh;
  entrySignal = 1;
  entryCount = calcCount;
  longOpen = 1;
  inPosition = 1;
}

void Vega::PublishLongLevels() {
  currentStop = longStop;
  currentTarget = targetAbove;
  levelsPublished = 1;
}

void Vega::CheckLongStops(double low, double close) {
  if (longOpen != 1 || exitArmed) return;
  const double tested = stopOnExtreme == 1 ? low : close;
  if (currentStop > tested) {
    barCode = kStopped;
    entryCount = 0;
    longOpen = 0;
    inPosition = 0;
    lastEvent = kLongStopped;
  }
}

// The long target counts as touched when the high reaches it.
void Vega::CheckLongTarget(double high) {
  if (longOpen == 1 && high >= currentTarget) exitArmed = true;
}

void Vega::RunLongSide(double open, double high, double low, double close) {
  if (close > boxHigh && inPosition == 0) OpenLong(open);
  if (longOpen == 1) {
    if (calcCount > entryCount) barCode = kLongHeld;
    PublishLongLevels();
  }
  CheckLongStops(low, close);
  CheckLongTarget(high);
  if (longOpen == 1 && boxHigh > close && exitArmed) {
    barCode = kExited;
    entryCount = 0;
    longOpen = 0;
    inPosition = 0;
    exitArmed = false;
    longExitPrice = close;
    lastEvent = kLongExit;
  }
}

void Vega::RunShortSide(double open, double high, double low, double close) {
  if (boxLow > close && inPosition == 0) {
    barCode = kEntered;
    lastEvent = kShortEntry;
    shortEntryPrice = boxLow > open ? open : boxLow;
    entrySignal = 2;
    entryCount = calcCount;
    shortOpen = 1;
    inPosition = 1;
  }
  // Unlike the long side, the hold marker and the stops are skipped once this
  // calculation has produced an event.
  if (shortOpen == 1) {
    if (calcCount > entryCount && lastEvent == kNone) barCode = kShortHeld;
    currentStop = shortStop;
    currentTarget = targetBelow;
    levelsPublished = 1;
  }
  if (shortOpen == 1 && !exitArmed && lastEvent == kNone) {
    const double tested = stopOnExtreme == 1 ? high : close;
    if (tested > currentStop) {
      barCode = kStopped;
      entryCount = 0;
      shortOpen = 0;
      inPosition = 0;
      lastEvent = kShortStopped;
    }
  }
  // The target counts as touched only when the low lies strictly below it.
  if (shortOpen == 1 && currentTarget > low) exitArmed = true;
  if (shortOpen == 1 && close > boxLow && exitArmed) {
    barCode = kExited;
    entryCount = 0;
    shortOpen = 0;
    inPosition = 0;
    exitArmed = false;
    shortExitPrice = close;
    lastEvent = kShortExit;
    // A short closed above the box turns long at once, whether or not the
    // long side is enabled. A long exit below the box does not turn short.
    if (close > boxHigh) {
      OpenLong(open);
      PublishLongLevels();
      CheckLongStops(low, close);
      CheckLongTarget(high);
    }
  }
}

}  // namespace zeb
