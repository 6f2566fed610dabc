#include "indicators/vega.h"

#include <gtest/gtest.h>

#include <cmath>

#include "components/profile_box.h"
#include "components/rsi_turn_detector.h"
#include "components/volume_profile.h"
#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

// The state the outputs do not show, through Vega's read-only test seam.
Vega::Snapshot StateOf(int32_t h) {
  return static_cast<Vega*>(registry::Find(h))->SnapshotForTesting();
}

// Scripts bars through the exported API against a fixed box 100..110 (the
// threshold above 3 keeps any turn from rebuilding it). Stop 100 and target
// 113.3 for a long, stop 110 and target 97 for a short.
class VegaScript : public ::testing::Test {
 protected:
  void SetUp() override {
    h = test::Create("VEGA");
    ZEB_IndicatorSetParameter(h, 0, 299);
    ZEB_IndicatorSetParameter(h, 9, 3.0);
    static_cast<Vega*>(registry::Find(h))->SetBoxForTesting(100.0, 110.0);
  }
  Vega::Snapshot State() { return StateOf(h); }
  void Enable(bool longSide, bool shortSide) {
    ZEB_IndicatorSetParameter(h, 6, longSide);
    ZEB_IndicatorSetParameter(h, 7, shortSide);
  }
  // A new bar; Revise stores the same bar again.
  void Next(double open, double high, double low, double close) {
    test::Feed(h, {++bar, 1, open, high, low, close, 100.0, 0.0});
  }
  void Revise(double open, double high, double low, double close) {
    test::Feed(h, {bar, 1, open, high, low, close, 100.0, 0.0});
  }
  double Out(int32_t index) { return ZEB_IndicatorValue(h, index); }
  double Code() { return Out(12); }
  // A long opened at 110 by a close of 110.5.
  void EnterLong() { Next(109, 111, 108, 110.5); }
  void EnterShort() { Next(101, 102, 98, 99); }

  int32_t h = 0;
  int32_t bar = 0;
};

TEST_F(VegaScript, LongEntryHoldTargetAndExit) {
  Enable(true, false);
  EnterLong();
  EXPECT_EQ(Code(), 3.0);
  EXPECT_EQ(Out(14), 1.0);
  EXPECT_EQ(Out(6), 110.0);
  EXPECT_EQ(Out(7), 100.0);
  EXPECT_EQ(Out(11), 110.0 + 0.03 * 110.0);
  EXPECT_EQ(Out(15), 1.0);
  Next(110.5, 112, 109, 111);
  EXPECT_EQ(Code(), 4.0);
  EXPECT_EQ(Out(14), 0.0);
  EXPECT_EQ(Out(16), 1.0);
  Next(111, 112, 104, 105);  // back inside the box, above the stop: still held
  EXPECT_EQ(Code(), 4.0);
  EXPECT_FALSE(State().exitArmed);
  Next(112, 113.3, 111, 112);  // the high reaching the target arms the exit
  EXPECT_TRUE(State().exitArmed);
  Next(112, 112, 95, 96);  // armed: no stop, the close below the box exits
  EXPECT_EQ(Code(), 1.0);
  EXPECT_EQ(Out(4), 96.0);
  EXPECT_FALSE(State().inPosition);
  Next(100, 101, 99, 100);
  EXPECT_EQ(Code(), 2.0);
  EXPECT_EQ(Out(15), 0.0);
  EXPECT_EQ(Out(9), 101.0);
  EXPECT_EQ(Out(10), 99.0);
}

TEST_F(VegaScript, EntryAboveTheBoxAtTheOpenAndNotAtTheEdge) {
  Enable(true, false);
  Next(111, 112, 109, 110);  // a close equal to boxHigh opens nothing
  EXPECT_EQ(Code(), 2.0);
  Next(112, 113, 111, 112);
  EXPECT_EQ(Out(6), 112.0);
  EXPECT_EQ(State().entryCount, State().calcCount);
}

TEST_F(VegaScript, LongStopsOnTheCloseOrOnTheLow) {
  Enable(true, false);
  EnterLong();
  Next(105, 106, 99.5, 101);  // the low crosses, the close does not
  EXPECT_EQ(Code(), 4.0);
  Next(101, 102, 98, 99);
  EXPECT_EQ(Code(), 6.0);
  EXPECT_EQ(State().lastEvent, VegaEvent::kLongStopped);
  EXPECT_FALSE(State().inPosition);

  ZEB_IndicatorSetParameter(h, 11, 1);
  EnterLong();
  Next(105, 106, 99.5, 101);
  EXPECT_EQ(Code(), 6.0);
}

TEST_F(VegaScript, ShortEntryTargetStrictlyBelowAndExit) {
  Enable(false, true);
  EnterShort();
  EXPECT_EQ(Code(), 3.0);
  EXPECT_EQ(Out(14), 2.0);
  EXPECT_EQ(Out(8), 100.0);  // open above boxLow: entered at the edge
  EXPECT_EQ(Out(7), 110.0);
  EXPECT_EQ(Out(11), 100.0 - 0.03 * 100.0);
  Next(99, 99.5, 97, 98);  // a low equal to the target does not arm
  EXPECT_EQ(Code(), 5.0);
  EXPECT_FALSE(State().exitArmed);
  Next(98, 99, 96.9, 98);
  EXPECT_TRUE(State().exitArmed);
  Next(98, 104, 97, 100.5);
  EXPECT_EQ(Code(), 1.0);
  EXPECT_EQ(Out(5), 100.5);
  Next(98, 99, 94, 95);  // opens below boxLow at the open
  EXPECT_EQ(Out(8), 98.0);
}

TEST_F(VegaScript, ShortStopsOnTheCloseOrOnTheHigh) {
  Enable(false, true);
  EnterShort();
  Next(105, 110.5, 104, 109);
  EXPECT_EQ(Code(), 5.0);
  Next(109, 112, 108, 111);
  EXPECT_EQ(Code(), 6.0);
  EXPECT_EQ(State().lastEvent, VegaEvent::kShortStopped);
  ZEB_IndicatorSetParameter(h, 11, 1);
  EnterShort();
  Next(105, 110.5, 104, 109);
  EXPECT_EQ(Code(), 6.0);
}

TEST_F(VegaScript, RecalculationUndoesEntries) {
  Enable(true, true);
  EnterLong();
  const int64_t firstEntry = State().entryCount;
  Revise(109, 111, 108, 110.8);  // still above: entered again with the new count
  EXPECT_EQ(Code(), 3.0);
  EXPECT_EQ(State().entryCount, firstEntry + 1);
  Revise(109, 111, 104, 105);  // inside the box: the entry is gone
  EXPECT_EQ(Code(), 2.0);
  EXPECT_FALSE(State().inPosition);
  EXPECT_FALSE(State().longOpen);
  EnterShort();
  Revise(101, 102, 99, 101);
  EXPECT_FALSE(State().shortOpen);
  EXPECT_FALSE(State().inPosition);
  EXPECT_EQ(State().entryCount, 0);
}

TEST_F(VegaScript, RecalculationRestoresExitedAndStoppedPositions) {
  Enable(true, false);
  EnterLong();
  Next(112, 114, 111, 112);
  Next(112, 112, 104, 105);
  EXPECT_EQ(Code(), 1.0);
  Revise(112, 112, 110, 111);  // the exit is undone: long again, target touched
  EXPECT_EQ(Code(), 4.0);
  EXPECT_TRUE(State().longOpen);
  EXPECT_TRUE(State().exitArmed);
  EXPECT_EQ(State().entryCount, 1);
  Revise(112, 112, 104, 106);  // and can exit again on the same bar
  EXPECT_EQ(Code(), 1.0);
  EXPECT_EQ(Out(4), 106.0);

  EnterLong();
  Next(101, 102, 98, 99);
  EXPECT_EQ(Code(), 6.0);
  Revise(101, 102, 100, 101);
  EXPECT_EQ(Code(), 4.0);
  EXPECT_TRUE(State().longOpen);
  EXPECT_FALSE(State().exitArmed);

  Next(101, 102, 98, 99);  // stopped again, so that a short can open
  EXPECT_EQ(Code(), 6.0);
  Enable(false, true);
  EnterShort();
  Next(99, 112, 98, 111);
  EXPECT_EQ(Code(), 6.0);
  Revise(99, 105, 98, 104);
  EXPECT_EQ(Code(), 5.0);
  EXPECT_TRUE(State().shortOpen);
  Next(99, 100, 96, 98);
  Next(99, 104, 98, 103);
  EXPECT_EQ(Code(), 1.0);
  Revise(99, 100, 98, 99);  // the short exit is undone: short again, target touched
  EXPECT_TRUE(State().shortOpen);
  EXPECT_TRUE(State().exitArmed);
  EXPECT_EQ(Code(), 5.0);
}

TEST_F(VegaScript, ShortExitAboveTheBoxReversesIntoALong) {
  Enable(false, true);
  EnterShort();
  Next(99, 100, 96, 98);
  Next(109, 112, 105, 111);  // armed short closes above the box
  EXPECT_EQ(Code(), 3.0);
  EXPECT_EQ(Out(5), 111.0);
  EXPECT_EQ(Out(14), 1.0);
  EXPECT_EQ(Out(6), 110.0);
  EXPECT_EQ(Out(7), 100.0);
  EXPECT_TRUE(State().longOpen);
  EXPECT_EQ(State().lastEvent, VegaEvent::kLongEntry);
  // The long side is disabled: the long is never examined again and blocks
  // new shorts.
  Next(100, 101, 90, 91);
  EXPECT_EQ(Code(), 2.0);
  EXPECT_EQ(Out(7), 100.0);
  EXPECT_TRUE(State().inPosition);
  EXPECT_FALSE(State().shortOpen);
}

TEST_F(VegaScript, ReversedLongIsStoppedAtOnceUnderWidenedStops) {
  // stopMode 0: the long stop is boxLow + 3 widths = 130.
  // The short's own widened stop (80) lies below the box, so it must touch its
  // target on the entry bar, where stops are not tested.
  ZEB_IndicatorSetParameter(h, 17, 0);
  Enable(false, true);
  Next(101, 102, 96, 99);
  EXPECT_TRUE(State().exitArmed);
  Next(109, 112, 105, 111);
  EXPECT_EQ(Code(), 6.0);
  EXPECT_EQ(Out(7), 130.0);
  EXPECT_FALSE(State().inPosition);
  EXPECT_EQ(State().shortStop, 80.0);
}

TEST_F(VegaScript, LongExitBelowTheBoxTurnsShortOnlyThroughTheShortSide) {
  Enable(true, false);
  EnterLong();
  Next(112, 114, 111, 112);
  Next(100, 101, 95, 96);
  EXPECT_EQ(Code(), 1.0);
  EXPECT_FALSE(State().inPosition);
  Enable(true, true);
  EnterLong();
  Next(112, 114, 111, 112);
  Next(100, 101, 95, 96);
  EXPECT_EQ(Code(), 3.0);
  EXPECT_EQ(Out(14), 2.0);
  EXPECT_EQ(Out(4), 96.0);
  EXPECT_TRUE(State().shortOpen);
}

TEST_F(VegaScript, DisabledSidesLeavePositionsUnexamined) {
  Enable(true, false);
  EnterLong();
  Enable(false, false);
  Next(100, 101, 80, 85);  // far below the stop
  EXPECT_EQ(Code(), 2.0);
  EXPECT_TRUE(State().longOpen);
  Enable(false, true);
  Next(100, 101, 80, 85);  // in a position: no short opens
  EXPECT_FALSE(State().shortOpen);
}

TEST_F(VegaScript, UndoneEntryKeepsATouchedTarget) {
  Enable(true, false);
  Next(109, 114, 108, 111);  // enters and touches the target on the same bar
  EXPECT_TRUE(State().exitArmed);
  Revise(109, 114, 104, 105);
  EXPECT_FALSE(State().inPosition);
  EXPECT_TRUE(State().exitArmed);
  // The next long skips its stops and exits on the first close back inside.
  EnterLong();
  Next(105, 106, 90, 95);
  EXPECT_EQ(Code(), 1.0);
}

TEST(Vega, DefaultsPublishOnlyTheBar) {
  const int32_t h = test::Create("VEGA");
  for (int32_t bar = 1; bar <= 60; ++bar) {
    const double mid = 100.0 + 8.0 * std::sin(bar * 0.5);
    test::Feed(h, {bar, 1, mid - 1, mid + 2, mid - 2, mid + 1, 100, 0});
    for (int32_t i : {0, 1, 3, 4, 5, 6, 7, 8, 11, 14, 15, 16, 17, -1}) {
      EXPECT_EQ(ZEB_IndicatorValue(h, i), 0.0) << i;
    }
    EXPECT_EQ(ZEB_IndicatorValue(h, 2), -1.0);
    EXPECT_EQ(ZEB_IndicatorValue(h, 9), mid + 2);
    EXPECT_EQ(ZEB_IndicatorValue(h, 10), mid - 2);
    EXPECT_EQ(ZEB_IndicatorValue(h, 12), 2.0);
    EXPECT_EQ(ZEB_IndicatorValue(h, 13), 2.0);
  }
}

TEST(Vega, WithoutABoxALongOpensAtOnceAndIsArmed) {
  const int32_t h = test::Create("VEGA");
  ZEB_IndicatorSetParameter(h, 6, 1);
  test::Feed(h, {1, 1, 5, 6, 4, 5.5, 10, 0});
  EXPECT_EQ(ZEB_IndicatorValue(h, 12), 3.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 6), 5.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 7), 0.0);
  EXPECT_TRUE(StateOf(h).exitArmed);
}

TEST(Vega, TurnsRebuildTheBoxFromTheProfileWindow) {
  const int32_t h = test::Create("VEGA");
  ZEB_IndicatorSetParameter(h, 0, 1);
  ZEB_IndicatorSetParameter(h, 5, 50);
  const Indicator& bars = *registry::Find(h);  // the instance's bar series
  RsiTurnDetector reference;
  int32_t rebuilt = 0;
  for (int32_t bar = 1; bar <= 150; ++bar) {
    const double mid = 100.0 + 10.0 * std::sin(bar * 0.45) + 0.05 * bar;
    const test::Bar b{bar,       1,         mid - 0.5,       mid + 1.5 + bar % 3,
                      mid - 1.5, mid + 0.5, 100.0 + bar % 11};
    const double before = StateOf(h).boxHigh;
    test::Feed(h, b);
    const Vega::Snapshot state = StateOf(h);
    if (reference.Update(b.open, b.high, b.low, b.close) == 0) {
      EXPECT_EQ(state.boxHigh, before);
      continue;
    }
    ++rebuilt;
    double profile[11];
    double lowest = 0.0;
    double highest = 0.0;
    double upper = 0.0;
    double peak = 0.0;
    double lower = 0.0;
    BuildVolumeProfile(bars, profile, 10, 7, 0, 50.0, lowest, highest);
    FindProfileBox(profile, 10, lowest, highest, upper, peak, lower);
    EXPECT_EQ(state.boxHigh, upper);
    EXPECT_EQ(state.boxPeak, peak);
    EXPECT_EQ(state.boxLow, lower);
  }
  EXPECT_GE(rebuilt, 3);
}

TEST(Vega, ParametersClampAndProfileLookbackRestartsTheDetector) {
  const int32_t h = test::Create("VEGA");
  EXPECT_EQ(StateOf(h).detectorPeriod, 5);
  EXPECT_EQ(StateOf(h).profileLookback, 7);
  ZEB_IndicatorSetParameter(h, 1, 400);
  EXPECT_EQ(StateOf(h).profileLookback, 299);
  EXPECT_EQ(StateOf(h).detectorPeriod, 299);
  ZEB_IndicatorSetParameter(h, 8, -10);
  ZEB_IndicatorSetParameter(h, 10, 500);
  ZEB_IndicatorSetParameter(h, 2, 9);
  const Vega::Snapshot state = StateOf(h);
  EXPECT_EQ(state.stopFactor, -3.0);
  EXPECT_EQ(state.storedIntegers[2], 100);
  EXPECT_EQ(state.storedIntegers[0], 7);
  EXPECT_EQ(state.storedIntegers[1], 3);
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(Vega, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("VEGA", {{0, 1}, {6, 1}, {7, 1}}, {{0, 17}}), 0x24a83d618c845cfdULL);
  EXPECT_EQ(
      test::OutputDigest("VEGA", {{0, 1}, {1, 9}, {6, 1}, {7, 1}, {11, 1}, {17, 0}}, {{0, 17}}),
      0x6f67094a911cba80ULL);
}

}  // namespace
}  // namespace zeb
