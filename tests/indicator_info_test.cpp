// Checks the metadata table against what the library does. Parameters cannot
// be read back, so each default and each clamp is checked through its effect:
// two instances that must hold the same value produce bit-identical output
// streams over the same bars. Covers every keyword in the table.

#include "core/indicator_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "interface/keyword_table.h"
#include "support/bars.h"

namespace zeb {
namespace {

using test::Bar;

// Five-minute bars over eight days: a drifting, mean-reverting price with
// volume split into two parts. Deterministic on every platform.
const std::vector<Bar>& Bars() {
  static const std::vector<Bar> bars = [] {
    std::vector<Bar> out;
    uint32_t state = 12345;
    auto uniform = [&state]() {
      state = state * 1664525u + 1013904223u;
      return static_cast<double>(state >> 8) / 16777216.0;  // [0, 1)
    };
    double price = 100;
    int32_t number = 0;
    for (int32_t day = 0; day < 8; ++day) {
      for (int32_t slot = 0; slot < 78; ++slot) {
        const double open = price;
        price += (uniform() - 0.5) * 0.6 + (100 - price) * 0.01;
        const double close = std::round(price * 100) / 100;
        const double high = std::fmax(open, close) + std::round(uniform() * 20) / 100;
        const double low = std::fmin(open, close) - std::round(uniform() * 20) / 100;
        Bar bar{++number, 20240102 + day, open, high, low, close};
        bar.volume1 = std::round(500 + uniform() * 2000);
        bar.volume2 = std::round(500 + uniform() * 2000);
        bar.time = 930 + slot;
        out.push_back(bar);
        price = close;
      }
    }
    return out;
  }();
  return bars;
}

struct Setting {
  int32_t index;
  double value;
};

// The set-bar results and every described output after every bar, as raw bits.
std::vector<uint64_t> StreamOver(const IndicatorInfo& info, const std::vector<Setting>& settings,
                                 const std::vector<Bar>& bars) {
  const int32_t h = test::Create(info.keyword);
  EXPECT_GE(h, 0);
  for (const Setting& s : settings) ZEB_IndicatorSetParameter(h, s.index, s.value);
  std::vector<uint64_t> out;
  auto put = [&out](double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    out.push_back(std::isnan(v) ? 1 : bits);  // every NaN alike
  };
  for (const Bar& bar : bars) {
    put(test::Feed(h, bar));
    for (int32_t o = 0; o < info.outputCount; ++o) {
      for (int32_t i = info.outputs[o].firstIndex; i <= info.outputs[o].lastIndex; ++i) {
        put(ZEB_IndicatorValue(h, i));
      }
    }
  }
  return out;
}

std::vector<uint64_t> Stream(const IndicatorInfo& info, const std::vector<Setting>& settings) {
  return StreamOver(info, settings, Bars());
}

std::string Label(const IndicatorInfo& info, const ParameterInfo& p, const char* what) {
  return std::string(info.keyword) + " parameter " + std::to_string(p.index) + " (" + p.name +
         "): " + what;
}

// Every keyword, for tests that walk the whole table.
std::vector<const IndicatorInfo*> Infos() {
  std::vector<const IndicatorInfo*> out;
  for (int32_t i = 0; i < KeywordCount(); ++i) out.push_back(KeywordTable()[i].info);
  return out;
}

TEST(IndicatorInfo, TablesAreConsistent) {
  for (const IndicatorInfo* info : Infos()) {
    SCOPED_TRACE(info->keyword);
    EXPECT_EQ(FindKeyword(info->keyword)->info, info);
    EXPECT_GT(std::strlen(info->summary), 0u);
    std::set<int32_t> indices;
    for (int32_t p = 0; p < info->parameterCount; ++p) {
      const ParameterInfo& pi = info->parameters[p];
      EXPECT_TRUE(indices.insert(pi.index).second) << "parameter index repeats: " << pi.index;
      EXPECT_GT(std::strlen(pi.name), 0u);
      EXPECT_GT(std::strlen(pi.description), 0u);
      if (pi.clamped) {
        EXPECT_LE(pi.minimum, pi.maximum) << pi.name;
        if (pi.hasDefault) {
          EXPECT_GE(pi.defaultValue, pi.minimum) << pi.name;
          EXPECT_LE(pi.defaultValue, pi.maximum) << pi.name;
        }
      }
      if (pi.kind != ParameterKind::Double) {
        EXPECT_EQ(pi.defaultValue, std::trunc(pi.defaultValue)) << pi.name;
        EXPECT_EQ(pi.minimum, std::trunc(pi.minimum)) << pi.name;
        EXPECT_EQ(pi.maximum, std::trunc(pi.maximum)) << pi.name;
      }
    }
    int32_t previousEnd = std::numeric_limits<int32_t>::min();
    for (int32_t o = 0; o < info->outputCount; ++o) {
      const OutputInfo& oi = info->outputs[o];
      EXPECT_LE(oi.firstIndex, oi.lastIndex) << oi.name;
      EXPECT_GT(oi.firstIndex, previousEnd) << "outputs overlap or are out of order: " << oi.name;
      EXPECT_GT(std::strlen(oi.description), 0u);
      previousEnd = oi.lastIndex;
    }
  }
}

TEST(IndicatorInfo, DefaultsMatchWhatResetSets) {
  for (const IndicatorInfo* info : Infos()) {
    const std::vector<uint64_t> untouched = Stream(*info, {});
    for (int32_t p = 0; p < info->parameterCount; ++p) {
      const ParameterInfo& pi = info->parameters[p];
      if (pi.use == ParameterUse::Download || pi.use == ParameterUse::Restart) continue;
      const double value = pi.hasDefault ? pi.defaultValue : 0.0;
      // Without a default the instance holds 0, which a clamp may not let a host set.
      if (!pi.hasDefault && pi.clamped && (value < pi.minimum || value > pi.maximum)) continue;
      EXPECT_TRUE(Stream(*info, {{pi.index, value}}) == untouched)
          << Label(*info, pi, "setting the documented default changes the outputs");
    }
  }
}

TEST(IndicatorInfo, ValuesBeyondTheRangeActAsItsEnds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const IndicatorInfo* info : Infos()) {
    for (int32_t p = 0; p < info->parameterCount; ++p) {
      const ParameterInfo& pi = info->parameters[p];
      if (!pi.clamped || pi.use == ParameterUse::Download) continue;
      const std::vector<uint64_t> atMax = Stream(*info, {{pi.index, pi.maximum}});
      const std::vector<uint64_t> atMin = Stream(*info, {{pi.index, pi.minimum}});
      EXPECT_TRUE(Stream(*info, {{pi.index, pi.maximum + 1}}) == atMax)
          << Label(*info, pi, "maximum + 1 differs from the maximum");
      // An integer parameter beyond the 32-bit range converts to the lowest integer.
      const bool integer = pi.kind != ParameterKind::Double;
      EXPECT_TRUE(Stream(*info, {{pi.index, 1e12}}) == (integer ? atMin : atMax))
          << Label(*info, pi, "a huge value differs from the range end it should act as");
      EXPECT_TRUE(Stream(*info, {{pi.index, pi.minimum - 1}}) == atMin)
          << Label(*info, pi, "minimum - 1 differs from the minimum");
      EXPECT_TRUE(Stream(*info, {{pi.index, -1e12}}) == atMin)
          << Label(*info, pi, "a huge negative value differs from the minimum");
      if (integer) {
        EXPECT_TRUE(Stream(*info, {{pi.index, nan}}) == atMin)
            << Label(*info, pi, "NaN differs from the minimum");
        EXPECT_TRUE(Stream(*info, {{pi.index, pi.maximum + 0.9}}) == atMax)
            << Label(*info, pi, "the fraction above the maximum is not truncated");
      }
    }
  }
}

// The settings the demo uses ("name=value ..."): some parameters only show
// their effect once others enable a feature, and where a parameter has no
// default the outputs may not be numbers until it is set.
std::vector<Setting> DemoSettings(const IndicatorInfo& info) {
  std::vector<Setting> out;
  std::istringstream words(info.demoParameters ? info.demoParameters : "");
  std::string word;
  while (words >> word) {
    const size_t eq = word.find('=');
    const std::string name = word.substr(0, eq);
    const ParameterInfo* found = nullptr;
    for (int32_t p = 0; p < info.parameterCount; ++p) {
      if (name == info.parameters[p].name) found = &info.parameters[p];
    }
    EXPECT_TRUE(found && eq != std::string::npos) << info.keyword << " demo setting " << word;
    if (found) out.push_back({found->index, std::stod(word.substr(eq + 1))});
  }
  return out;
}

// Catches a parameter documented under the wrong index: unless the table says
// it changes nothing, some value in its range must change the outputs (on top
// of the demo's settings).
TEST(IndicatorInfo, EveryParameterTakesEffect) {
  for (const IndicatorInfo* info : Infos()) {
    const std::vector<Setting> demo = DemoSettings(*info);
    const std::vector<uint64_t> untouched = Stream(*info, demo);
    for (int32_t p = 0; p < info->parameterCount; ++p) {
      const ParameterInfo& pi = info->parameters[p];
      if (pi.use == ParameterUse::Download) continue;
      double base = pi.hasDefault ? pi.defaultValue : 0.0;
      for (const Setting& s : demo) {
        if (s.index == pi.index) base = s.value;
      }
      std::vector<double> candidates;
      if (pi.clamped) {
        candidates = {pi.minimum, pi.maximum, std::round((pi.minimum + pi.maximum) / 2)};
      } else if (pi.kind == ParameterKind::Flag) {
        candidates = {0, 1};
      } else {
        candidates = {base * 2 + 1, base / 2, base + 3};
      }
      bool changed = false;
      for (double v : candidates) {
        std::vector<Setting> settings = demo;
        settings.push_back({pi.index, v});
        if (v != base && Stream(*info, settings) != untouched) changed = true;
      }
      if (pi.use == ParameterUse::Inert) {
        EXPECT_FALSE(changed) << Label(*info, pi, "documented as inert but changes the outputs");
      } else {
        EXPECT_TRUE(changed) << Label(*info, pi, "no value tried changes the outputs");
      }
    }
  }
}

// Indices that name no output read the documented value. Only indices below
// the outputs are tried: past and between them some indicators clamp the index
// onto a neighbouring run.
TEST(IndicatorInfo, OtherIndicesReadTheDocumentedValue) {
  for (const IndicatorInfo* info : Infos()) {
    const int32_t h = test::Create(info->keyword);
    for (const Setting& s : DemoSettings(*info)) ZEB_IndicatorSetParameter(h, s.index, s.value);
    for (const Bar& bar : Bars()) test::Feed(h, bar);
    const double expected =
        info->otherIndexReadsOutput0 ? ZEB_IndicatorValue(h, 0) : info->otherIndexValue;
    for (int32_t index : {-1, std::numeric_limits<int32_t>::min()}) {
      const double v = ZEB_IndicatorValue(h, index);
      EXPECT_TRUE(std::isnan(expected) ? std::isnan(v) : v == expected)
          << info->keyword << " index " << index << " reads " << v;
    }
  }
}

}  // namespace
}  // namespace zeb

namespace zeb {
namespace {

// The same bars with their volume moved: all into volume1, or none at all.
std::vector<Bar> WithVolume(bool keepTotal) {
  std::vector<Bar> bars = Bars();
  for (Bar& b : bars) {
    b.volume1 = keepTotal ? b.volume1 + b.volume2 : 0.0;
    b.volume2 = 0.0;
  }
  return bars;
}

TEST(IndicatorInfo, ReferenceTextsAreComplete) {
  for (const IndicatorInfo* info : Infos()) {
    SCOPED_TRACE(info->keyword);
    ASSERT_NE(info->howToRead, nullptr);
    EXPECT_GT(std::strlen(info->warmup.rule), 0u);
    EXPECT_EQ(info->idleRule == IdleRule::None, info->idleNote == nullptr);
    for (int32_t o = 0; o < info->outputCount; ++o) {
      const OutputInfo& oi = info->outputs[o];
      const bool needsUnits = oi.role == OutputRole::Line || oi.role == OutputRole::Figure ||
                              oi.role == OutputRole::Profile;
      if (needsUnits) {
        EXPECT_NE(oi.units, nullptr) << oi.name;
      }
    }
  }
}

// Outputs marked as kept for the host carry no information: on every bar they
// read one constant, or the same as another output.
TEST(IndicatorInfo, OutputsKeptForTheHostCarryNothing) {
  for (const IndicatorInfo* info : Infos()) {
    SCOPED_TRACE(info->keyword);
    const int32_t h = test::Create(info->keyword);
    for (const Setting& s : DemoSettings(*info)) ZEB_IndicatorSetParameter(h, s.index, s.value);
    std::vector<std::vector<double>> rows;  // per bar, the first index of every output run
    for (const Bar& bar : Bars()) {
      test::Feed(h, bar);
      rows.emplace_back();
      for (int32_t o = 0; o < info->outputCount; ++o) {
        rows.back().push_back(ZEB_IndicatorValue(h, info->outputs[o].firstIndex));
      }
    }
    for (size_t o = 0; o < static_cast<size_t>(info->outputCount); ++o) {
      if (!info->outputs[o].keptForHost) continue;
      bool constant = true;
      std::vector<bool> copies(static_cast<size_t>(info->outputCount), true);
      for (const std::vector<double>& row : rows) {
        constant = constant && row[o] == rows[0][o];
        for (size_t other = 0; other < row.size(); ++other) {
          copies[other] = copies[other] && other != o && row[other] == row[o];
        }
      }
      const bool copy = std::find(copies.begin(), copies.end(), true) != copies.end();
      EXPECT_TRUE(constant || copy) << info->outputs[o].name;
    }
  }
}

// The volume use the tools warn about is what the indicators read.
TEST(IndicatorInfo, VolumeUseMatchesWhatIsRead) {
  for (const IndicatorInfo* info : Infos()) {
    SCOPED_TRACE(info->keyword);
    if (info->idleRule == IdleRule::WhileUnset && !info->demoParameters) continue;
    const std::vector<Setting> demo = DemoSettings(*info);
    const std::vector<uint64_t> split = StreamOver(*info, demo, Bars());
    const bool sameWithOneColumn = StreamOver(*info, demo, WithVolume(true)) == split;
    const bool sameWithoutVolume = StreamOver(*info, demo, WithVolume(false)) == split;
    EXPECT_EQ(sameWithOneColumn, info->volumeUse != VolumeUse::Split);
    EXPECT_EQ(sameWithoutVolume, info->volumeUse == VolumeUse::None);
  }
}

// Defaults flagged as computing nothing do compute nothing.
TEST(IndicatorInfo, IdleDefaultsComputeNothing) {
  for (const IndicatorInfo* info : Infos()) {
    if (info->idleRule != IdleRule::WhileUnset) continue;
    SCOPED_TRACE(info->keyword);
    const int32_t h = test::Create(info->keyword);
    for (const Bar& bar : Bars()) {
      test::Feed(h, bar);
      for (int32_t o = 0; o < info->outputCount; ++o) {
        ASSERT_TRUE(std::isnan(ZEB_IndicatorValue(h, info->outputs[o].firstIndex)));
      }
    }
  }
}

}  // namespace
}  // namespace zeb
