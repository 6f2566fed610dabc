// Every keyword through the library and through the reference library
// (tests/reference: the same indicators over the per-element window functions
// and the first versions of the bar store, the volume profile and the turn
// detector), fed the same random host calls, compared bit for bit after every
// call: the SetBar result and every output.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/indicator_info.h"
#include "interface/keyword_table.h"
#include "reference/reference_api.h"
#include "zeb_indicators.h"

namespace zeb {
namespace {

namespace reference = zeb_reference::api;

constexpr int32_t kNewBars = 200000;

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(double p) { return Uniform() < p; }

 private:
  uint64_t state_;
};

struct HostCall {
  int32_t bar, date, time;
  double open, high, low, close, volume1, volume2;
  bool calculate;
};

// Host calls as a chart feeds them, with the awkward cases mixed in: forming
// bars stored again, older bar numbers, gaps (some beyond the series
// capacity), NoCalc calls, flat stretches (RSI 0 / 0, empty ranges), zero
// volume, dates that change on every bar for a while. Prices lie on a cent
// grid so that equal values, and ties in every comparison, occur often.
class CallStream {
 public:
  explicit CallStream(uint64_t seed) : random_(seed) {}

  HostCall Next() {
    const double kind = random_.Uniform();
    if (kind < 0.70 || bar_ == 0) {
      Advance(1);
    } else if (kind < 0.84) {
      // revision of the newest bar (same number)
    } else if (kind < 0.88) {
      return Make(bar_ - 1 - random_.Below(5));  // older: ignored by the store
    } else if (kind < 0.995) {
      Advance(2 + random_.Below(20));
    } else {
      Advance(250 + random_.Below(450));
    }
    return Make(bar_);
  }

  int32_t NewBars() const { return newBars_; }

 private:
  void Advance(int32_t gap) {
    bar_ += gap;
    ++newBars_;
    if (flatLeft_ > 0) --flatLeft_;
    if (dailyLeft_ > 0) --dailyLeft_;
    if (flatLeft_ == 0 && random_.Chance(0.003)) flatLeft_ = 5 + random_.Below(60);
    if (dailyLeft_ == 0 && random_.Chance(0.002)) dailyLeft_ = 5 + random_.Below(40);
    if (dailyLeft_ > 0 || random_.Chance(1.0 / 78)) ++date_;
    if (flatLeft_ == 0) {
      price_ = Cents(price_ + (random_.Uniform() - 0.5) * 1.5 + (100.0 - price_) * 0.01);
      if (price_ < 1.0) price_ = 1.0;
    }
  }

  static double Cents(double x) { return std::round(x * 100) / 100; }

  HostCall Make(int32_t bar) {
    HostCall c{};
    c.bar = bar;
    c.date = date_;
    c.time = bar % 1440;
    c.calculate = !random_.Chance(0.08);
    if (flatLeft_ > 0) {
      c.open = c.high = c.low = c.close = price_;
    } else {
      c.open = Cents(price_ + (random_.Uniform() - 0.5) * 0.6);
      c.close = Cents(price_ + (random_.Uniform() - 0.5) * 0.6);
      const double top = c.open > c.close ? c.open : c.close;
      const double bottom = c.open < c.close ? c.open : c.close;
      c.high = random_.Chance(0.1) ? top : Cents(top + random_.Uniform() * 0.5);
      c.low = random_.Chance(0.1) ? bottom : Cents(bottom - random_.Uniform() * 0.5);
    }
    const bool noVolume = flatLeft_ > 0 ? random_.Chance(0.5) : random_.Chance(0.02);
    c.volume1 = noVolume ? 0.0 : std::round(random_.Uniform() * 2000);
    c.volume2 = noVolume ? 0.0 : std::round(random_.Uniform() * 2000);
    // Now and then a volume many magnitudes away from the rest, so that the
    // shares of a profile window cannot all be summed exactly.
    if (random_.Chance(0.005)) c.volume1 = random_.Uniform() * 1e-9;
    if (random_.Chance(0.005)) c.volume2 = random_.Uniform() * 1e12;
    return c;
  }

  Random random_;
  int32_t bar_ = 0;
  int32_t date_ = 20240102;
  int32_t newBars_ = 0;
  int32_t flatLeft_ = 0;
  int32_t dailyLeft_ = 0;
  double price_ = 100.0;
};

// A value for a parameter: mostly within its range, sometimes outside it,
// fractional, or not a number.
double ParameterValue(const ParameterInfo& p, Random& random) {
  const double pick = random.Uniform();
  if (pick < 0.02) return std::numeric_limits<double>::quiet_NaN();
  if (pick < 0.05) return p.minimum - 1 - random.Below(10);
  if (pick < 0.08) return p.maximum + 1 + random.Below(10);
  if (pick < 0.11) return p.minimum + random.Uniform() * (p.maximum - p.minimum);
  if (p.kind == ParameterKind::Double && !p.clamped) return random.Uniform() * 4;
  const double span = p.clamped ? p.maximum - p.minimum : 300;
  const double low = p.clamped ? p.minimum : 0;
  // Small values more often: the typical settings sit near the low end.
  const double u = random.Uniform();
  return std::floor(low + u * u * (span + 1));
}

uint64_t Bits(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Every output index the keyword describes, and a few it does not.
std::vector<int32_t> OutputIndexes(const IndicatorInfo& info) {
  std::vector<int32_t> indexes = {-1, 1000};
  int32_t last = 0;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    for (int32_t k = info.outputs[i].firstIndex; k <= info.outputs[i].lastIndex; ++k) {
      indexes.push_back(k);
    }
    if (info.outputs[i].lastIndex > last) last = info.outputs[i].lastIndex;
  }
  indexes.push_back(last + 1);
  return indexes;
}

// Parameters the test may set: all but those that start a download.
std::vector<ParameterInfo> SettableParameters(const IndicatorInfo& info) {
  std::vector<ParameterInfo> settable;
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    if (info.parameters[i].use != ParameterUse::Download) settable.push_back(info.parameters[i]);
  }
  return settable;
}

// Runs one keyword through both libraries; the first difference fails.
void CompareKeyword(const IndicatorInfo& info, uint64_t seed) {
  const int32_t handle = ZEB_IndicatorInit(nullptr, info.keyword, "DIFF");
  const std::unique_ptr<void, void (*)(void*)> instance(reference::Create(info.keyword),
                                                        reference::Destroy);
  void* const ref = instance.get();
  ASSERT_GT(handle, 0);
  ASSERT_NE(ref, nullptr);
  const std::vector<int32_t> outputs = OutputIndexes(info);
  const std::vector<ParameterInfo> parameters = SettableParameters(info);
  Random random(seed * 7919 + 1);
  CallStream stream(seed);

  auto setParameter = [&](int32_t index, double value) {
    ZEB_IndicatorSetParameter(handle, index, value);
    reference::SetParameter(ref, index, value);
  };
  int64_t calls = 0;
  while (stream.NewBars() < kNewBars) {
    if (!parameters.empty() && (calls == 0 || random.Chance(0.002))) {
      for (int32_t n = 1 + random.Below(3); n > 0; --n) {
        const ParameterInfo& p =
            parameters[static_cast<size_t>(random.Below(static_cast<int32_t>(parameters.size())))];
        setParameter(p.index, ParameterValue(p, random));
      }
      if (random.Chance(0.05)) setParameter(50 + random.Below(50), 1.0);  // names nothing
    }
    const HostCall c = stream.Next();
    const int32_t got =
        c.calculate ? ZEB_IndicatorSetBar(handle, c.bar, c.date, c.time, c.open, c.high, c.low,
                                          c.close, c.volume1, c.volume2)
                    : ZEB_IndicatorSetBarNoCalc(handle, c.bar, c.date, c.time, c.open, c.high,
                                                c.low, c.close, c.volume1, c.volume2);
    const int32_t want = reference::SetBar(ref, c.bar, c.date, c.time, c.open, c.high, c.low,
                                           c.close, c.volume1, c.volume2, c.calculate);
    ASSERT_EQ(got, want) << info.keyword << " call " << calls << " bar " << c.bar;
    for (const int32_t index : outputs) {
      const double value = ZEB_IndicatorValue(handle, index);
      const double expected = reference::Value(ref, index);
      ASSERT_EQ(Bits(value), Bits(expected))
          << info.keyword << " call " << calls << " bar " << c.bar << " output " << index << ": "
          << value << " instead of " << expected;
    }
    ++calls;
  }
}

class Differential : public ::testing::TestWithParam<int32_t> {};

TEST_P(Differential, EveryOutputMatchesTheReferenceBitForBit) {
  const IndicatorInfo& info = *KeywordTable()[GetParam()].info;
  CompareKeyword(info, 1000 + static_cast<uint64_t>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(EveryKeyword, Differential, ::testing::Range(0, KeywordCount()),
                         [](const ::testing::TestParamInfo<int32_t>& param) {
                           return std::string(KeywordTable()[param.param].info->keyword);
                         });

}  // namespace
}  // namespace zeb
