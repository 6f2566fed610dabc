#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "interface/registry.h"
#include "support/bars.h"
#include "zeb_indicators.hpp"

namespace zeb {
namespace {

// A walk of bars over several dates, with a revision of the forming bar every
// seventh bar and a skipped bar number every thirteenth.
struct Step {
  test::Bar bar;
  bool calculate;
};

std::vector<Step> Walk(int32_t count, uint32_t seed) {
  std::vector<Step> steps;
  double price = 100.0;
  int32_t number = 0;
  for (int32_t i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double move = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.8;
    number += (i % 13 == 12) ? 2 : 1;
    const double open = price;
    price += move;
    test::Bar bar{number,
                  20240102 + i / 78,
                  open,
                  std::fmax(open, price) + 0.1,
                  std::fmin(open, price) - 0.1,
                  price,
                  1000.0 + (seed % 500),
                  800.0 + (seed >> 20) % 700,
                  930 + i % 78};
    steps.push_back({bar, i % 11 != 10});
    if (i % 7 == 6) {
      bar.close += 0.05;
      bar.high += 0.05;
      steps.push_back({bar, true});
    }
  }
  return steps;
}

// Every output after every step, read through the exports.
std::vector<double> ThroughExports(const std::string& keyword, const std::vector<Step>& steps,
                                   const std::vector<std::pair<int32_t, double>>& settings) {
  const int32_t handle = test::Create(keyword.c_str());
  for (const auto& s : settings) ZEB_IndicatorSetParameter(handle, s.first, s.second);
  const std::vector<OutputColumn> outputs = OwnedIndicator(keyword).Outputs();
  std::vector<double> values;
  for (const Step& s : steps) {
    const int32_t result =
        s.calculate ? test::Feed(handle, s.bar) : test::FeedNoCalc(handle, s.bar);
    values.push_back(result);
    for (const OutputColumn& c : outputs) values.push_back(ZEB_IndicatorValue(handle, c.index));
  }
  return values;
}

std::vector<double> ThroughOwned(const std::string& keyword, const std::vector<Step>& steps,
                                 const std::vector<std::pair<int32_t, double>>& settings) {
  OwnedIndicator owned(keyword, "TEST");
  for (const auto& s : settings) owned.SetParameter(s.first, s.second);
  const std::vector<OutputColumn> outputs = owned.Outputs();
  std::vector<double> values;
  for (const Step& s : steps) {
    const test::Bar& b = s.bar;
    values.push_back(owned.SetBar(b.number, b.date, b.time, b.open, b.high, b.low, b.close,
                                  b.volume1, b.volume2, s.calculate));
    for (const OutputColumn& c : outputs) values.push_back(owned.Value(c.index));
  }
  return values;
}

// Equal bits, so NaN equals NaN and 0.0 differs from -0.0.
bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Each keyword with its first parameter raised by two, except the download settings of SWINGRSI.
std::vector<std::pair<int32_t, double>> OtherSettings(const std::string& keyword) {
  if (keyword == "STATICPCL") return {};
  if (keyword == "VDVRS") return {{0, 10}, {1, 5}, {2, 5}, {3, 14}, {4, 10}};
  if (keyword == "VIXDIFF") return {{0, 3}, {1, 5}, {2, 20}, {3, 5}, {4, 9}};
  return {{0, 7}};
}

TEST(OwnedIndicator, EveryKeywordMatchesTheExportsBitForBit) {
  const std::vector<Step> steps = Walk(900, 7);
  for (const std::string& keyword : OwnedIndicator::Keywords()) {
    EXPECT_TRUE(SameBits(ThroughOwned(keyword, steps, {}), ThroughExports(keyword, steps, {})))
        << keyword << " at its defaults";
    const auto settings = OtherSettings(keyword);
    EXPECT_TRUE(
        SameBits(ThroughOwned(keyword, steps, settings), ThroughExports(keyword, steps, settings)))
        << keyword << " with other settings";
  }
}

TEST(OwnedIndicator, TakesNoHandleAndLeavesTheRegistryAlone) {
  const int32_t before = registry::Count();
  const int32_t handle = test::Create("RATIO");
  {
    OwnedIndicator owned("RATIO");
    owned.SetBar(1, 20240102, 930, 1, 2, 0.5, 1.5, 10, 10);
  }
  EXPECT_EQ(test::Create("RATIO"), handle + 1);
  EXPECT_EQ(registry::Count(), before + 2);
}

TEST(OwnedIndicator, ParametersByNameMatchParametersByIndex) {
  const std::vector<Step> steps = Walk(300, 11);
  OwnedIndicator byName("RATIO"), byIndex("RATIO");
  byName.SetParameter("signalLength", 9);
  byIndex.SetParameter(2, 9);
  for (const Step& s : steps) {
    const test::Bar& b = s.bar;
    byName.SetBar(b.number, b.date, b.time, b.open, b.high, b.low, b.close, b.volume1, b.volume2);
    byIndex.SetBar(b.number, b.date, b.time, b.open, b.high, b.low, b.close, b.volume1, b.volume2);
    ASSERT_EQ(byName.Value(1), byIndex.Value(1));
  }
  EXPECT_NE(byName.Value(1), 0.0);
}

TEST(OwnedIndicator, UnknownNamesAreRefusedWithTheValidOnes) {
  try {
    OwnedIndicator bad("ratio");
    FAIL() << "a lower-case keyword was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("RATIO, VIXDIFF"), std::string::npos) << e.what();
  }
  OwnedIndicator ratio("RATIO");
  try {
    ratio.SetParameter("lookBack", 3);
    FAIL() << "a misspelt parameter was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("lookback, sumLength, signalLength"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(OwnedIndicator("STATICPCL").SetParameter("period", 3), std::invalid_argument);
}

TEST(OwnedIndicator, OutputsAreNamedPerIndex) {
  const std::vector<OutputColumn> ratio = OwnedIndicator("RATIO").Outputs();
  ASSERT_EQ(ratio.size(), 2u);
  EXPECT_EQ(ratio[0].name, "ratio");
  EXPECT_EQ(ratio[1].index, 1);
  // Every keyword: rising indices, whatever order the table lists them in.
  for (const std::string& keyword : OwnedIndicator::Keywords()) {
    const std::vector<OutputColumn> outputs = OwnedIndicator(keyword).Outputs();
    for (size_t i = 1; i < outputs.size(); ++i) {
      EXPECT_LT(outputs[i - 1].index, outputs[i].index) << keyword;
    }
  }
  bool sawProfile = false;
  for (const OutputColumn& c : OwnedIndicator("MARKETMAP").Outputs()) sawProfile |= c.profile;
  EXPECT_TRUE(sawProfile);
}

TEST(OwnedIndicator, MovedInstanceKeepsItsHistory) {
  OwnedIndicator first("RATIO");
  first.SetBar(1, 20240102, 930, 1, 2, 0.5, 1.5, 10, 10);
  first.SetBar(2, 20240102, 935, 1.5, 3, 1, 2.5, 10, 10);
  const double ratio = first.Value(0);
  OwnedIndicator moved(std::move(first));
  EXPECT_EQ(moved.Value(0), ratio);
  OwnedIndicator other("COMBO");
  other = std::move(moved);
  EXPECT_STREQ(other.Keyword(), "RATIO");
  EXPECT_EQ(other.Value(0), ratio);
}

TEST(OwnedIndicator, SeparateInstancesRunOnSeparateThreads) {
  const std::vector<Step> steps = Walk(600, 3);
  const std::vector<std::string> keywords = OwnedIndicator::Keywords();
  std::vector<std::vector<double>> sequential, parallel(keywords.size());
  for (const std::string& k : keywords) sequential.push_back(ThroughOwned(k, steps, {}));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = t; i < keywords.size(); i += 2) {
        parallel[i] = ThroughOwned(keywords[i], steps, {});
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < keywords.size(); ++i) {
    EXPECT_TRUE(SameBits(parallel[i], sequential[i])) << keywords[i];
  }
}

}  // namespace
}  // namespace zeb
