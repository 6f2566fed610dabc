// One bad figure in one bar, for every keyword: the bar store replaces it, so
// no output turns non-finite, every output keeps moving, and the keywords
// without running state return to the clean results bit for bit.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/usable_bar.h"
#include "interface/keyword_table.h"
#include "support/bars.h"

namespace zeb {
namespace {

using test::Bar;
using Parameters = std::vector<std::pair<int32_t, double>>;
using Outputs = std::vector<std::vector<double>>;  // [bar][output]

constexpr int32_t kBars = 1600;
constexpr int32_t kBadBar = 400;
// Two bar-series capacities: a window of up to 300 bars over values that were
// themselves computed from windows of up to 300 bars.
constexpr int32_t kSettleBars = 2 * 300;
constexpr int32_t kStillMovingBars = 300;

// Keywords that keep no running state: their outputs are functions of the
// last bars alone.
bool Windowed(const std::string& keyword) {
  return keyword == "STATICPCL" || keyword == "RATIO" || keyword == "MARKETMAP" ||
         keyword == "VOLDELTA";
}

// Parameters for the keywords without defaults, and for modes worth covering
// (WALLIND's swing mode, VEGA trading both sides); the rest keep defaults.
Parameters ParametersOf(const std::string& keyword) {
  static const std::map<std::string, Parameters> kSettings = {
      {"VDVRS", {{0, 10}, {1, 5}, {2, 5}, {3, 14}, {4, 10}}},
      {"VIXDIFF", {{0, 3}, {1, 5}, {2, 20}, {3, 5}, {4, 9}}},
      {"WALLIND", {{0, 1}}},
      {"VEGA", {{0, 1}, {6, 1}, {7, 1}}},
  };
  const auto it = kSettings.find(keyword);
  return it == kSettings.end() ? Parameters{} : it->second;
}

// Intraday bars, 78 a date: a swinging random walk with two volume figures.
std::vector<Bar> MakeBars(double scale) {
  std::vector<Bar> bars;
  uint32_t state = 2463534242u;
  auto uniform = [&state]() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;
  };
  double price = 100.0;
  for (int32_t n = 1; n <= kBars; ++n) {
    const double open = price;
    price += (uniform() - 0.5) * 1.2 + std::sin(n / 15.0) * 0.4 + (100.0 - price) * 0.02;
    const double high = std::fmax(open, price) + uniform() * 0.4;
    const double low = std::fmin(open, price) - uniform() * 0.4;
    bars.push_back(Bar{n, 20240102 + n / 78, open * scale, high * scale, low * scale, price * scale,
                       (200 + uniform() * 900) * scale, (200 + uniform() * 900) * scale});
  }
  return bars;
}

double& FieldOf(Bar& bar, uint32_t field) {
  switch (field) {
    case kBarOpen:
      return bar.open;
    case kBarHigh:
      return bar.high;
    case kBarLow:
      return bar.low;
    case kBarClose:
      return bar.close;
    case kBarVolume1:
      return bar.volume1;
    default:
      return bar.volume2;
  }
}

int32_t OutputCount(const KeywordEntry& entry) {
  const IndicatorInfo& info = *entry.info;
  return info.outputs[info.outputCount - 1].lastIndex + 1;
}

Outputs RunKeyword(const KeywordEntry& entry, const std::vector<Bar>& bars) {
  const int32_t h = test::Create(entry.info->keyword);
  for (const auto& p : ParametersOf(entry.info->keyword)) {
    ZEB_IndicatorSetParameter(h, p.first, p.second);
  }
  Outputs outputs;
  for (const Bar& bar : bars) {
    test::Feed(h, bar);
    std::vector<double> row;
    for (int32_t i = 0; i < OutputCount(entry); ++i) row.push_back(ZEB_IndicatorValue(h, i));
    outputs.push_back(row);
  }
  return outputs;
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool MovesLate(const Outputs& outputs, int32_t output) {
  for (int32_t b = kBars - kStillMovingBars; b < kBars; ++b) {
    if (!SameBits(outputs[b][output], outputs[b - 1][output])) return true;
  }
  return false;
}

// Compares a faulty run with the clean one; returns the first difference that
// matters, or "" when there is none.
std::string Compare(const std::string& keyword, const Outputs& clean, const Outputs& faulty) {
  for (size_t i = 0; i < clean[0].size(); ++i) {
    const auto output = static_cast<int32_t>(i);
    const std::string where = "output " + std::to_string(i);
    for (int32_t b = 1; b < kBars; ++b) {
      if (std::isfinite(clean[b][i]) && !std::isfinite(faulty[b][i])) {
        return where + " not finite at bar " + std::to_string(b + 1);
      }
      if (Windowed(keyword) && b >= kBadBar + kSettleBars && !SameBits(clean[b][i], faulty[b][i])) {
        return where + " differs at bar " + std::to_string(b + 1);
      }
    }
    if (MovesLate(clean, output) && !MovesLate(faulty, output)) return where + " stopped moving";
  }
  return "";
}

TEST(BadBar, EveryKeywordOutlivesOneBadFigure) {
  const double inf = std::numeric_limits<double>::infinity();
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf,
                        kLargestBarValue * 1.5};
  const std::vector<Bar> bars = MakeBars(1.0);
  for (int32_t row = 0; row < KeywordCount(); ++row) {
    const KeywordEntry& entry = KeywordTable()[row];
    const std::string keyword = entry.info->keyword;
    const Outputs clean = RunKeyword(entry, bars);
    for (int32_t f = 0; f < kBarFieldCount; ++f) {
      for (const double value : bad) {
        std::vector<Bar> faulty = bars;
        FieldOf(faulty[kBadBar - 1], 1u << f) = value;
        EXPECT_EQ(Compare(keyword, clean, RunKeyword(entry, faulty)), "")
            << keyword << ", " << BarFieldName(f) << " of bar " << kBadBar << " = " << value;
      }
    }
  }
}

// Prices and volumes up to the bound itself keep every output finite.
TEST(BadBar, FiguresAtTheBoundKeepEveryOutputFinite) {
  std::vector<Bar> bars = MakeBars(kLargestBarValue / 200.0);
  for (Bar& bar : bars) {
    if (bar.number % 7 == 0) {
      bar.high = kLargestBarValue;
      bar.low = -kLargestBarValue;
      bar.volume1 = kLargestBarValue;
      bar.volume2 = bar.number % 2 ? -kLargestBarValue : kLargestBarValue;
    }
    if (bar.number % 11 == 0) bar.open = bar.close = -kLargestBarValue;
  }
  for (int32_t row = 0; row < KeywordCount(); ++row) {
    const KeywordEntry& entry = KeywordTable()[row];
    const Outputs outputs = RunKeyword(entry, bars);
    for (int32_t b = 1; b < kBars; ++b) {
      for (size_t i = 0; i < outputs[b].size(); ++i) {
        ASSERT_TRUE(std::isfinite(outputs[b][i]))
            << entry.info->keyword << " output " << i << " at bar " << b + 1;
      }
    }
  }
}

}  // namespace
}  // namespace zeb
