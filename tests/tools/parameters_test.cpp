#include "parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace zebi {
namespace {

const zeb::IndicatorInfo& RatioInfo() {
  return *FindIndicator("ratio");
}

std::string ErrorOf(const std::string& text) {
  try {
    ParseSetting(RatioInfo(), text);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "";
}

TEST(ZebiParameters, NamesInAnyCaseOrIndices) {
  EXPECT_EQ(FindIndicator("Ratio"), FindIndicator("RATIO"));
  EXPECT_EQ(FindIndicator("RATIOS"), nullptr);
  ParameterSetting s = ParseSetting(RatioInfo(), "SIGNALLENGTH=7");
  EXPECT_EQ(s.index, 2);
  EXPECT_EQ(s.value, 7);
  s = ParseSetting(RatioInfo(), "1=2.5");
  EXPECT_EQ(s.index, 1);
  EXPECT_EQ(s.value, 2.5);
  // Indices the indicator does not name pass on, as a host may send them.
  EXPECT_EQ(ParseSetting(RatioInfo(), "-3=nan").index, -3);
  EXPECT_TRUE(std::isnan(ParseSetting(RatioInfo(), "-3=nan").value));
  EXPECT_EQ(Describe(RatioInfo(), ParseSetting(RatioInfo(), "0=14")), "lookback=14");
}

TEST(ZebiParameters, MistakesAreExplained) {
  EXPECT_EQ(ErrorOf("lookback"), "parameter 'lookback' is not NAME=VALUE or INDEX=VALUE");
  EXPECT_EQ(ErrorOf("=3"), "parameter '=3' is not NAME=VALUE or INDEX=VALUE");
  EXPECT_EQ(ErrorOf("look=3"),
            "no parameter 'look'; parameters of RATIO: 0=lookback 1=sumLength 2=signalLength");
  EXPECT_EQ(ErrorOf("lookback=3x"), "value '3x' of parameter lookback is not a number");
  EXPECT_EQ(ErrorOf("99999999999=1"), "parameter index 99999999999 is out of the 32-bit range");
}

TEST(ZebiParameters, EffectiveValueFollowsTheMetadata) {
  const zeb::ParameterInfo& lookback = RatioInfo().parameters[0];
  EXPECT_EQ(EffectiveValue(lookback, {}), 5);
  EXPECT_EQ(EffectiveValue(lookback, {{0, 12.9}}), 12);
  EXPECT_EQ(EffectiveValue(lookback, {{0, 1000}}), 299);
  EXPECT_EQ(EffectiveValue(lookback, {{0, std::nan("")}}), 1);
  EXPECT_EQ(EffectiveValue(lookback, {{0, 1000}, {0, 3}}), 3);
  EXPECT_EQ(EffectiveValue(lookback, {{1, 1000}}), 5);
  EXPECT_EQ(ParseSettings(RatioInfo(), " lookback=3  2=4 ").size(), 2u);
  EXPECT_TRUE(ParseSettings(RatioInfo(), nullptr).empty());
}

}  // namespace
}  // namespace zebi
