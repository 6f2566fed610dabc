#include "components/parameter_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace zeb {
namespace {

// An indicator with one parameter of every kind the table supports.
class Sample : public Indicator {
 public:
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool) override { return 0; }

  int32_t window = 0;
  int32_t truncated = 0;
  int32_t mode = 0;
  bool enabled = false;
  bool requested = false;
  double factor = 0.0;
  RsiTurnDetector detector;
};

constexpr ParameterRow<Sample> kRows[] = {
    IntegerParameter(0, "window", &Sample::window).Default(5).Range(1, 299).Describe("w"),
    IntegerParameter(1, "truncated", &Sample::truncated).Default(7).Describe("t"),
    FlagParameter(2, "mode", &Sample::mode).Default(0).Describe("exactly 1"),
    FlagParameter(3, "enabled", &Sample::enabled).Range(0, 1).Describe("clamped flag"),
    FlagParameter(4, "request", &Sample::requested).Default(0).OneShot().Describe("trigger"),
    DoubleParameter(5, "factor", &Sample::factor).Default(1.5).Range(-3, 3).Describe("f"),
    IntegerParameter<Sample>(6, "period").Default(5).Range(1, 299).Restarts(&Sample::detector),
};

TEST(ParameterTable, IntegersTruncateThenClampAndNanGivesTheLowerBound) {
  Sample s;
  SetTableParameter(kRows, s, 0, 12.9);
  EXPECT_EQ(s.window, 12);
  SetTableParameter(kRows, s, 0, 1e12);
  EXPECT_EQ(s.window, 1);  // outside the 32-bit range: the lower bound
  SetTableParameter(kRows, s, 0, 400);
  EXPECT_EQ(s.window, 299);
  SetTableParameter(kRows, s, 0, std::nan(""));
  EXPECT_EQ(s.window, 1);
  SetTableParameter(kRows, s, 1, -40.7);
  EXPECT_EQ(s.truncated, -40);  // no range: stored as converted
}

TEST(ParameterTable, FlagsAndOneShotTriggers) {
  Sample s;
  SetTableParameter(kRows, s, 2, 2);
  EXPECT_EQ(s.mode, 0);  // unclamped flag: on for exactly 1 only
  SetTableParameter(kRows, s, 2, 1.7);
  EXPECT_EQ(s.mode, 1);
  SetTableParameter(kRows, s, 3, 5);
  EXPECT_TRUE(s.enabled);  // clamped flag: 5 is 1
  SetTableParameter(kRows, s, 4, 1.5);
  EXPECT_FALSE(s.requested);
  SetTableParameter(kRows, s, 4, 1.0);
  EXPECT_TRUE(s.requested);
  SetTableParameter(kRows, s, 4, 0.0);
  EXPECT_TRUE(s.requested);  // a trigger is only ever set
}

TEST(ParameterTable, DoubleNanKeepsTheValueAndIsNoted) {
  Sample s;
  SetTableParameter(kRows, s, 5, 9.0);
  EXPECT_EQ(s.factor, 3.0);
  SetTableParameter(kRows, s, 5, std::nan(""));
  EXPECT_EQ(s.factor, 3.0);
  EXPECT_TRUE(s.parameterIgnored);
  EXPECT_EQ(s.ignoredParameter, 5);
}

TEST(ParameterTable, RestartsTheDetectorAndResetsToDefaults) {
  Sample s;
  SetTableParameter(kRows, s, 6, 12);
  EXPECT_EQ(s.detector.period, 12);
  SetTableParameter(kRows, s, 0, 40);
  SetTableParameter(kRows, s, 3, 1);
  SetTableParameter(kRows, s, 4, 1);
  ResetTableParameters(kRows, s);
  EXPECT_EQ(s.window, 5);
  EXPECT_EQ(s.truncated, 7);
  EXPECT_EQ(s.factor, 1.5);
  EXPECT_FALSE(s.requested);
  EXPECT_TRUE(s.enabled);  // no default: Reset leaves it
  EXPECT_EQ(s.detector.period, 5);
  SetTableParameter(kRows, s, 99, 1);  // unknown indices are ignored
}

TEST(ParameterTable, MetadataFollowsTheRows) {
  constexpr auto infos = ParameterInfos(kRows);
  static_assert(infos.size() == 7, "one entry per row");
  EXPECT_STREQ(infos[0].name, "window");
  EXPECT_TRUE(infos[0].hasDefault && infos[0].clamped);
  EXPECT_EQ(infos[0].maximum, 299);
  EXPECT_FALSE(infos[1].clamped);
  EXPECT_EQ(infos[2].kind, ParameterKind::Flag);
  EXPECT_EQ(infos[2].maximum, 1);
  EXPECT_FALSE(infos[3].hasDefault);
  EXPECT_EQ(infos[5].minimum, -3);
}

}  // namespace
}  // namespace zeb
