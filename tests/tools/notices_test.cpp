#include "notices.h"

#include <gtest/gtest.h>

#include <cmath>

#include "warmup.h"

namespace zebi {
namespace {

const zeb::IndicatorInfo& Info(const char* keyword) {
  return *FindIndicator(keyword);
}

TEST(ZebiNotices, UnknownIndicesAreErrorsAndClampsAreReported) {
  EXPECT_THROW(SettingNotices(Info("RATIO"), {{7, 14}}), std::invalid_argument);
  EXPECT_TRUE(SettingNotices(Info("RATIO"), {{0, 14}}).empty());
  const auto notices =
      SettingNotices(Info("RATIO"), {{0, 300}, {1, 0}, {2, std::nan("")}, {0, 2.5}});
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(notices[0], "RATIO lookback=300: the library uses 299 (range 1..299)");
  EXPECT_EQ(notices[1], "RATIO sumLength=0: the library uses 1 (range 1..299)");
  EXPECT_EQ(notices[2], "RATIO signalLength=nan: the library uses 1 (range 1..299)");
  EXPECT_EQ(notices[3], "RATIO lookback=2.5: the library uses 2 (range 1..299)");
  // A flag without a range is on for 1 only.
  const auto flag = SettingNotices(Info("WALLIND"), {{0, 2}, {0, 1}});
  ASSERT_EQ(flag.size(), 1u);
  EXPECT_EQ(flag[0], "WALLIND periodMode=2: the library uses 0 (on for 1 only)");
}

TEST(ZebiNotices, DefaultsThatComputeNothingAreNamed) {
  EXPECT_NE(IdleNotice(Info("VDVRS"), {}).find("NaN on every bar"), std::string::npos);
  EXPECT_NE(IdleNotice(Info("VDVRS"), {{0, 5}}), "");  // the others still unset
  EXPECT_EQ(IdleNotice(Info("VDVRS"), ParseSettings(Info("VDVRS"), Info("VDVRS").demoParameters)),
            "");
  EXPECT_NE(IdleNotice(Info("VIXDIFF"), {}), "");
  EXPECT_NE(IdleNotice(Info("VEGA"), {}).find("neither side"), std::string::npos);
  EXPECT_EQ(IdleNotice(Info("VEGA"), {{7, 1}}), "");
  EXPECT_NE(IdleNotice(Info("MARKETMAP"), {}).find("one bar"), std::string::npos);
  EXPECT_EQ(IdleNotice(Info("MARKETMAP"), {{2, 60}}), "");
  EXPECT_EQ(IdleNotice(Info("RATIO"), {}), "");
}

TEST(ZebiNotices, VolumeLayoutsThatChangeResults) {
  EXPECT_EQ(VolumeNotice(Info("VOLDELTA"), 2), "");
  EXPECT_NE(VolumeNotice(Info("VOLDELTA"), 1).find("volume2 is 0"), std::string::npos);
  EXPECT_EQ(VolumeNotice(Info("MARKETMAP"), 1), "");  // reads the total only
  EXPECT_NE(VolumeNotice(Info("MARKETMAP"), 0).find("MARKETMAP"), std::string::npos);
  EXPECT_EQ(VolumeNotice(Info("RATIO"), 0), "");
}

// Bars of one date each, or all of one date.
std::vector<Bar> Bars(int count, bool newDateEach) {
  std::vector<Bar> bars;
  for (int i = 0; i < count; ++i) {
    Bar b;
    b.number = i + 1;
    b.date = 20240101 + (newDateEach ? i : 0);
    b.open = b.close = 10 + i % 3;
    b.high = b.open + 1;
    b.low = b.open - 1;
    bars.push_back(b);
  }
  return bars;
}

size_t WarmupCount(const char* keyword, const std::vector<ParameterSetting>& settings,
                   const std::vector<Bar>& bars) {
  ReplayOptions options;
  options.settings = settings;
  options.showProgress = false;
  const Replay replay = RunReplay(Info(keyword), bars, options);
  const std::vector<bool> flags = WarmupFlags(Info(keyword), settings, bars, replay);
  size_t count = 0;
  while (count < flags.size() && flags[count]) ++count;
  for (size_t i = count; i < flags.size(); ++i) EXPECT_FALSE(flags[i]);
  return count;
}

TEST(ZebiWarmup, WindowsFollowTheParametersInEffect) {
  EXPECT_EQ(WarmupCount("RATIO", {}, Bars(40, false)), 12u);  // 5 + 5 + 5 - 3
  EXPECT_EQ(WarmupCount("RATIO", {{0, 14}, {1, 3}, {2, 0}}, Bars(40, false)), 15u);
  EXPECT_EQ(WarmupCount("VOLDELTA", {{0, 10}}, Bars(40, false)), 9u);
  EXPECT_EQ(WarmupCount("RATIO", {{0, 1e300}}, Bars(40, false)), 8u);  // out of range: 1
  EXPECT_EQ(WarmupCount("RATIO", {{0, 299}}, Bars(40, false)), 40u);
}

TEST(ZebiWarmup, DailyLevelsWaitForTheFirstNewDate) {
  std::vector<Bar> bars = Bars(30, false);
  for (size_t i = 20; i < bars.size(); ++i) bars[i].date = 20240102;
  EXPECT_EQ(WarmupCount("STATICPCL", {}, bars), 20u);
  EXPECT_EQ(WarmupCount("STATICPCL", {}, Bars(10, false)), 10u);
}

}  // namespace
}  // namespace zebi
