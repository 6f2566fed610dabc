#include "indicators/vega.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "components/profile_box.h"
#include "components/series_stats.h"
#include "components/volume_profile.h"

namespace zeb {
namespace {

constexpr int32_t kBoxBins = 10;

const OutputInfo kOutputs[] = {
    {0, 1, "zero", "always 0", OutputRole::Figure, "constant", true},
    {2, 2, "minusOne", "always -1", OutputRole::Figure, "constant", true},
    {3, 3, "zero3", "always 0", OutputRole::Figure, "constant", true},
    {4, 4, "longExitPrice", "close at the last long exit", OutputRole::Marker},
    {5, 5, "shortExitPrice", "close at the last short exit", OutputRole::Marker},
    {6, 6, "longEntryPrice", "price of the last long entry", OutputRole::Marker},
    {7, 7, "stop", "stop of the open position, as last published", OutputRole::Marker},
    {8, 8, "shortEntryPrice", "price of the last short entry", OutputRole::Marker},
    {9, 9, "barHigh", "newest high as of the last calculation", OutputRole::Figure, "price"},
    {10, 10, "barLow", "newest low as of the last calculation", OutputRole::Figure, "price"},
    {11, 11, "target", "target of the open position, as last published", OutputRole::Marker},
    {12, 13, "barCode", "2 nothing, 3 entry, 4 long held, 5 short held, 6 stopped out, 1 exit",
     OutputRole::Figure, "code"},
    {14, 14, "entrySignal", "1 when this calculation opened a long, 2 a short, else 0",
     OutputRole::Figure, "code"},
    {15, 15, "levelsPublished", "1 when this calculation published stop and target",
     OutputRole::Flag},
    {16, 16, "levelsPublishedAgain", "output 15 again", OutputRole::Figure, "0 or 1", true},
};

}  // namespace

const ParameterRow<Vega> Vega::kParameterRows[] = {
    IntegerParameter(0, "signalThreshold", &Vega::signalThreshold)
        .Default(2)
        .Range(1, kMaxWindow)
        .Describe("smallest turn strength that rebuilds the box (above 3 never)"),
    IntegerParameter(1, "profileLookback", &Vega::profileLookback)
        .Default(7)
        .Range(1, kMaxWindow)
        .Restarts(&Vega::detector)
        .Use(ParameterUse::Restart)
        .Describe("oldest bar offset of the profile window, and the period the turn detector "
                  "takes when this is set (until then it runs with period 5)"),
    IntegerParameter(3, "stored3", &Vega::stored3)
        .Default(7)
        .Range(1, kMaxWindow)
        .Use(ParameterUse::Inert)
        .Describe("kept for the host; no effect"),
    IntegerParameter(4, "stored4", &Vega::stored4)
        .Default(3)
        .Range(1, kMaxWindow)
        .Use(ParameterUse::Inert)
        .Describe("kept for the host; no effect"),
    IntegerParameter(5, "profileScale", &Vega::profileScale)
        .Default(100)
        .Range(1, kMaxWindow)
        .Describe("content of the fullest profile bin; the box edges lie at half of it"),
    FlagParameter(6, "longEnabled", &Vega::longEnabled)
        .Range(0, 1)
        .Describe("1 lets the long side open positions"),
    FlagParameter(7, "shortEnabled", &Vega::shortEnabled)
        .Range(0, 1)
        .Describe("1 lets the short side open positions"),
    DoubleParameter(8, "stopFactor", &Vega::stopFactor)
        .Default(1.0)
        .Range(-3.0, 3.0)
        .Describe("stop distance in box widths"),
    DoubleParameter(9, "targetPercent", &Vega::targetPercent)
        .Default(0.25)
        .Range(-3.0, 3.0)
        .Describe("target distance in percent of the box edge"),
    IntegerParameter(10, "stored10", &Vega::stored10)
        .Default(27)
        .Range(1, 100)
        .Use(ParameterUse::Inert)
        .Describe("kept for the host; no effect"),
    FlagParameter(11, "stopOnExtreme", &Vega::stopOnExtreme)
        .Default(0)
        .Range(0, 1)
        .Describe("0: stops are tested against the close; 1: against the low (long) or the high "
                  "(short)"),
    FlagParameter(17, "stopMode", &Vega::plainStops)
        .Default(1)
        .Range(0, 1)
        .Describe("1: plain stops; 0: widened stops that also consider the far box edge plus 3 "
                  "widths"),
};

namespace {

const auto kParameters = ParameterInfos(Vega::kParameterRows);

}  // namespace

const IndicatorInfo Vega::kInfo = {
    "VEGA",
    "Vega",
    "Box-breakout signals: a volume-profile box rebuilt at RSI turns, entries on closes beyond "
    "it, stops and targets derived from its width.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    "longEnabled=1 shortEnabled=1 signalThreshold=1",
    false,
    {0, {1, -1, -1, -1}, 0, -1, false, "profileLookback bars"},
    VolumeUse::Total,
    IdleRule::WhileAllZero,
    "VEGA trades neither side by default: set longEnabled=1 and/or shortEnabled=1",
    "A breakout trading study on the box of SWINGRSI: a close above the box opens a long (with "
    "longEnabled=1), a close below it a short (with shortEnabled=1); stops and targets come from "
    "the box width. Entry, exit, stop and target prices stay published as last set, so between "
    "trades they are stale: barCode (4 long held, 5 short held) says whether a position is open. "
    "Outputs 0 to 3 are constants and output 16 repeats output 15: kept for host compatibility.",
};

double Vega::Value(int32_t index) {
  switch (index) {
    case 2:
      return -1.0;
    case 4:
      return longSide.exitPrice;
    case 5:
      return shortSide.exitPrice;
    case 6:
      return longSide.entryPrice;
    case 7:
      return currentStop;
    case 8:
      return shortSide.entryPrice;
    case 9:
      return barHigh;
    case 10:
      return barLow;
    case 11:
      return currentTarget;
    case 12:
    case 13:
      return static_cast<int32_t>(barCode);
    case 14:
      return static_cast<int32_t>(entrySignal);
    case 15:
    case 16:
      return levelsPublished ? 1.0 : 0.0;
    default:
      return 0.0;
  }
}

void Vega::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void Vega::Reset() {
  ResetTableParameters(kParameterRows, *this);
  for (VegaSide* side : {&longSide, &shortSide}) {
    side->open = false;
    side->entryPrice = side->exitPrice = 0.0;
  }
  inPosition = exitArmed = false;
  entryCount = calcCount = 0;
  currentStop = currentTarget = barHigh = barLow = 0.0;
  barCode = VegaBarCode::kNotCalculated;
}

int32_t Vega::Calculate(bool isNewBar) {
  const Prices bar{openSeries.Get(0), highSeries.Get(0), lowSeries.Get(0), closeSeries.Get(0)};
  ++calcCount;
  entrySignal = VegaEntrySignal::kNone;
  levelsPublished = false;
  const int32_t code = detector.UpdateBar(bar.open, bar.high, bar.low, bar.close, isNewBar);
  if ((code < 0 ? -code : code) >= signalThreshold) RebuildBox();
  UpdateLevels();
  barHigh = bar.high;
  barLow = bar.low;
  barCode = VegaBarCode::kNothing;
  if (!isNewBar) {
    UndoLastEvent(longSide);
    UndoLastEvent(shortSide);
  }
  lastEvent = VegaEvent::kNone;
  if (boxLow <= bar.close && bar.close <= boxHigh) entryCount = 0;
  if (longEnabled) UpdateSide(longSide, bar);
  if (shortEnabled) UpdateSide(shortSide, bar);
  return 0;
}

void Vega::RebuildBox() {
  double profile[kBoxBins + 1];
  double lowest = 0.0;
  double highest = 0.0;
  BuildVolumeProfile(*this, profile, kBoxBins, profileLookback, 0,
                     static_cast<double>(profileScale), lowest, highest, &boxProfile);
  FindProfileBox(profile, kBoxBins, lowest, highest, boxHigh, boxPeak, boxLow);
}

void Vega::UpdateLevels() {
  const double p = targetPercent * 0.01;
  longSide.target = boxHigh + p * boxHigh;
  shortSide.target = boxLow - p * boxLow;
  const double w = std::fabs(boxHigh - boxLow);
  const double k = stopFactor;
  longSide.stop = std::max(boxHigh - k * w, boxHigh - 3 * w);
  shortSide.stop = std::min(boxLow + k * w, boxLow + 3 * w);
  if (!plainStops) {
    longSide.stop = std::max(longSide.stop, boxLow + 3 * w);
    shortSide.stop = std::min(shortSide.stop, boxHigh - 3 * w);
  }
}

double Vega::Edge(const VegaSide& side) const {
  return side.rules->isLong ? boxHigh : boxLow;
}

// Undoes the previous calculation's event when it belongs to this side.
void Vega::UndoLastEvent(VegaSide& side) {
  const VegaSideRules& rules = *side.rules;
  if (lastEvent == rules.entered) {
    ClosePosition(side);
  } else if (lastEvent == rules.exited) {
    exitArmed = true;  // an exit only follows a touched target
    Reopen(side);
  } else if (lastEvent == rules.stopped) {
    Reopen(side);
  }
}

void Vega::ClosePosition(VegaSide& side) {
  entryCount = 0;
  side.open = false;
  inPosition = false;
}

// Restores a closed position; its entry counts as calculation 1, so it is held
// from the next calculation on.
void Vega::Reopen(VegaSide& side) {
  side.open = true;
  entryCount = 1;
  inPosition = true;
}

void Vega::Enter(VegaSide& side, double open) {
  const double edge = Edge(side);
  barCode = VegaBarCode::kEntered;
  lastEvent = side.rules->entered;
  side.entryPrice = side.rules->Beyond(open, edge) ? open : edge;
  entrySignal = side.rules->signal;
  entryCount = calcCount;
  side.open = true;
  inPosition = true;
}

// Entry on a close beyond the side's box edge; while open, publishes the
// side's levels, then tests its stop (until the target is touched), its target
// and its exit on a close back through the edge.
void Vega::UpdateSide(VegaSide& side, const Prices& bar) {
  const VegaSideRules& rules = *side.rules;
  if (!inPosition && rules.Beyond(bar.close, Edge(side))) Enter(side, bar.open);
  if (!side.open) return;
  const bool quiet = rules.quietAfterEvent && lastEvent != VegaEvent::kNone;
  if (calcCount > entryCount && !quiet) barCode = rules.held;
  currentStop = side.stop;
  currentTarget = side.target;
  levelsPublished = true;
  if (!exitArmed && !quiet && StopCrossed(rules, bar)) {
    barCode = VegaBarCode::kStopped;
    ClosePosition(side);
    lastEvent = rules.stopped;
    return;
  }
  if (TargetTouched(rules, bar)) exitArmed = true;  // the position stays open
  if (exitArmed && rules.Beyond(Edge(side), bar.close)) Exit(side, bar);
}

bool Vega::StopCrossed(const VegaSideRules& rules, const Prices& bar) const {
  const double adverse = rules.isLong ? bar.low : bar.high;
  return rules.Beyond(currentStop, stopOnExtreme ? adverse : bar.close);
}

bool Vega::TargetTouched(const VegaSideRules& rules, const Prices& bar) const {
  const double favourable = rules.isLong ? bar.high : bar.low;
  return rules.targetTouchedOnEqual ? rules.BeyondOrAt(favourable, currentTarget)
                                    : rules.Beyond(favourable, currentTarget);
}

void Vega::Exit(VegaSide& side, const Prices& bar) {
  const VegaSideRules& rules = *side.rules;
  barCode = VegaBarCode::kExited;
  ClosePosition(side);
  exitArmed = false;
  side.exitPrice = bar.close;
  lastEvent = rules.exited;
  // The other side is flat now; its own entry test decides the reversal.
  if (rules.reversesOnExit) UpdateSide(rules.isLong ? shortSide : longSide, bar);
}

void Vega::SetBoxForTesting(double low, double high) {
  boxLow = low;
  boxHigh = high;
}

Vega::Snapshot Vega::SnapshotForTesting() const {
  Snapshot state{};
  state.boxHigh = boxHigh;
  state.boxPeak = boxPeak;
  state.boxLow = boxLow;
  state.shortStop = shortSide.stop;
  state.longOpen = longSide.open;
  state.shortOpen = shortSide.open;
  state.inPosition = inPosition;
  state.exitArmed = exitArmed;
  state.calcCount = calcCount;
  state.entryCount = entryCount;
  state.lastEvent = lastEvent;
  state.profileLookback = profileLookback;
  state.detectorPeriod = detector.period;
  state.stopFactor = stopFactor;
  state.storedIntegers[0] = stored3;
  state.storedIntegers[1] = stored4;
  state.storedIntegers[2] = stored10;
  return state;
}

}  // namespace zeb
