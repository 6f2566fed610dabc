#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/indicator.h"
#include "core/usable_bar.h"
#include "support/bars.h"

namespace zeb {
namespace {

// Records the Calculate calls the bar store makes. It keeps the base's empty
// OnBar: made through Indicator::New, it takes the bar store's inline path for
// the usual bar.
class QuietProbe : public Indicator {
 public:
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool isNewBar) override {
    calculated.push_back(isNewBar);
    return 7;
  }
  std::vector<bool> calculated;
};

// Records the OnBar calls too.
class Probe : public QuietProbe {
 public:
  void OnBar(bool isNewBar) override { onBar.push_back(isNewBar); }
  std::vector<bool> onBar;
};

template <typename T>
std::unique_ptr<T> Made() {
  return std::unique_ptr<T>(static_cast<T*>(Indicator::New<T>()));
}

int32_t Store(Indicator& ind, int32_t bar, double close, bool calculate = true) {
  return ind.SetBar(bar, 20240100 + bar % 100, 900 + bar % 100, close - 1, close + 1, close - 2,
                    close, close * 10, close * 5, calculate);
}

TEST(BarStore, BarZeroFirstIsStoredInPlace) {
  Probe p;
  EXPECT_EQ(Store(p, 0, 10), 7);
  EXPECT_EQ(p.barNumber, 0);
  EXPECT_EQ(p.closeSeries.Get(0), 10);
  ASSERT_EQ(p.calculated.size(), 1u);
  EXPECT_FALSE(p.calculated[0]);
  EXPECT_FALSE(p.onBar[0]);
}

TEST(BarStore, FirstBarOnePushes) {
  Probe p;
  Store(p, 1, 10);
  EXPECT_EQ(p.closeSeries.Get(0), 10);
  EXPECT_EQ(p.closeSeries.Get(1), 0);
  EXPECT_TRUE(p.calculated[0]);
  EXPECT_EQ(p.dateSeries.Get(0), 20240101);
  EXPECT_EQ(p.timeSeries.Get(0), 901);
}

TEST(BarStore, SameBarRevisesInPlace) {
  Probe p;
  Store(p, 1, 10);
  Store(p, 1, 12);
  EXPECT_EQ(p.closeSeries.Get(0), 12);
  EXPECT_EQ(p.closeSeries.Get(1), 0);
  EXPECT_FALSE(p.calculated[1]);
  EXPECT_EQ(p.volumeSeries.Get(0), p.volume1Series.Get(0) + p.volume2Series.Get(0));
}

TEST(BarStore, JumpFillsWithCopies) {
  Probe p;
  Store(p, 5, 10);
  Store(p, 8, 20);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(p.closeSeries.Get(k), 20) << k;
  EXPECT_EQ(p.closeSeries.Get(3), 10);
  EXPECT_EQ(p.dateSeries.Get(1), p.dateSeries.Get(0));
}

TEST(BarStore, OlderBarIsIgnoredButHooksRun) {
  Probe p;
  Store(p, 8, 20);
  EXPECT_EQ(Store(p, 6, 30), 7);
  EXPECT_EQ(p.barNumber, 8);
  EXPECT_EQ(p.closeSeries.Get(0), 20);
  EXPECT_FALSE(p.calculated.back());
  EXPECT_EQ(p.onBar.size(), 2u);
}

TEST(BarStore, NoCalcRunsOnlyOnBar) {
  Probe p;
  EXPECT_EQ(Store(p, 1, 10, false), 0);
  EXPECT_TRUE(p.calculated.empty());
  ASSERT_EQ(p.onBar.size(), 1u);
  EXPECT_TRUE(p.onBar[0]);
}

TEST(BarStore, CapacityWrapReadsNewestAgain) {
  Probe p;
  for (int bar = 1; bar <= 12; ++bar) Store(p, bar, bar);
  EXPECT_EQ(p.dateSeries.Get(10), p.dateSeries.Get(0));
  EXPECT_EQ(p.closeSeries.Get(300), p.closeSeries.Get(0));
}

TEST(BarStore, JumpToIntMaxStopsAfterOneFill) {
  Probe p;
  Store(p, 1, 10);
  Store(p, INT_MAX, 20);  // would take seconds if every copy were pushed
  EXPECT_EQ(p.barNumber, INT_MAX);
  for (int k = 0; k <= 300; ++k) ASSERT_EQ(p.closeSeries.Get(k), 20) << k;
  Store(p, INT_MAX, 21);
  EXPECT_EQ(p.closeSeries.Get(0), 21);
  EXPECT_FALSE(p.calculated.back());
}

// Made through New, a class with an OnBar of its own still has it called; a
// class without one sees the same hook arguments from the inline path.
TEST(BarStore, MadeInstancesRunTheirHooks) {
  const auto p = Made<Probe>();
  const auto q = Made<QuietProbe>();
  for (Indicator* ind : {static_cast<Indicator*>(p.get()), static_cast<Indicator*>(q.get())}) {
    EXPECT_EQ(Store(*ind, 1, 10), 7);
    EXPECT_EQ(Store(*ind, 1, 11), 7);
    EXPECT_EQ(Store(*ind, 2, 12, false), 0);
    EXPECT_EQ(Store(*ind, 3, 13), 7);
    EXPECT_EQ(Store(*ind, 2, 14), 7);
  }
  EXPECT_EQ(p->onBar, (std::vector<bool>{true, false, true, true, false}));
  EXPECT_EQ(p->calculated, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(q->calculated, p->calculated);
  EXPECT_EQ(q->closeSeries.Get(0), 13);
  EXPECT_EQ(q->closeSeries.Get(1), 12);
  EXPECT_EQ(q->closeSeries.Get(2), 11);
}

// The bar number after INT32_MAX wraps to INT32_MIN, an older bar: ignored.
TEST(BarStore, BarAfterIntMaxIsOlder) {
  const auto q = Made<QuietProbe>();
  Store(*q, INT_MAX, 10);
  Store(*q, INT_MIN, 20);
  Store(*q, INT_MIN + 1, 30);
  EXPECT_EQ(q->barNumber, INT_MAX);
  EXPECT_EQ(q->closeSeries.Get(0), 10);
  EXPECT_EQ(q->calculated, (std::vector<bool>{true, false, false}));
}

TEST(BarStore, UnusableFiguresAreReplaced) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Probe p;
  p.SetBar(1, 1, 0, 10, 11, 9, 10.5, 100, 50, true);
  // A new bar: prices become the previous bar's, volumes 0.
  p.SetBar(2, 1, 0, nan, inf, -inf, 1.5e30, nan, -1e31, true);
  EXPECT_EQ(p.openSeries.Get(0), 10);
  EXPECT_EQ(p.highSeries.Get(0), 11);
  EXPECT_EQ(p.lowSeries.Get(0), 9);
  EXPECT_EQ(p.closeSeries.Get(0), 10.5);
  EXPECT_EQ(p.volume1Series.Get(0), 0.0);
  EXPECT_EQ(p.volume2Series.Get(0), 0.0);
  EXPECT_EQ(p.volumeSeries.Get(0), 0.0);
  EXPECT_EQ(p.replacedBar, 2);
  EXPECT_EQ(p.replacedFields, 0x3Fu);
  // A revision: the previous value is the one stored for this bar before.
  p.SetBar(2, 1, 0, 12, 13, 8, 12, 7, 8, true);
  p.SetBar(2, 1, 0, 12, 13, 8, nan, 7, kLargestBarValue, true);
  EXPECT_EQ(p.closeSeries.Get(0), 12);
  EXPECT_EQ(p.volume2Series.Get(0), kLargestBarValue);  // the bound itself is usable
  EXPECT_EQ(p.replacedFields, static_cast<uint32_t>(kBarClose));
  // An older bar stores nothing and replaces nothing.
  p.SetBar(1, 1, 0, nan, nan, nan, nan, nan, nan, true);
  EXPECT_EQ(p.replacedBar, 2);
  EXPECT_EQ(p.replacedFields, static_cast<uint32_t>(kBarClose));
}

// Figures that are each usable although their magnitudes sum past the bound
// (the quick test fails, the field test passes) are stored unchanged.
TEST(BarStore, UsableFiguresSummingPastTheBoundAreKept) {
  const double big = 0.9 * kLargestBarValue;
  Probe p;
  p.SetBar(1, 1, 0, big, big, -big, big, big, -big, true);
  EXPECT_EQ(p.openSeries.Get(0), big);
  EXPECT_EQ(p.lowSeries.Get(0), -big);
  EXPECT_EQ(p.volume2Series.Get(0), -big);
  EXPECT_EQ(p.volumeSeries.Get(0), 0.0);
  EXPECT_EQ(p.replacedFields, 0u);
}

// The one-test check for the usual bar passes a bar only when every figure is
// usable, for figures at, just inside and just beyond the bound, and passes
// bars of ordinary figures.
TEST(BarStore, QuickTestPassesOnlyUsableBars) {
  const double bound = kLargestBarValue;
  const double odd[] = {bound,
                        -bound,
                        std::nextafter(bound, 0.0),
                        std::nextafter(bound, HUGE_VAL),
                        -std::nextafter(bound, HUGE_VAL),
                        std::sqrt(bound),
                        1e154,
                        1e155,
                        std::numeric_limits<double>::quiet_NaN(),
                        HUGE_VAL,
                        -HUGE_VAL,
                        std::numeric_limits<double>::denorm_min(),
                        -0.0};
  for (int32_t field = 0; field < kBarFieldCount; ++field) {
    for (const double x : odd) {
      for (const double rest : {0.0, 100.0, 0.5 * bound}) {
        double f[kBarFieldCount];
        for (double& v : f) v = rest;
        f[field] = x;
        const BarValues bar{f[0], f[1], f[2], f[3], f[4], f[5]};
        if (SurelyUsableBar(bar)) {
          EXPECT_EQ(UnusableBarFields(bar), 0u) << field << " " << x;
        }
      }
    }
  }
  EXPECT_TRUE(SurelyUsableBar({1e29, -1e29, 1e29, 1e29, 1e29, 1e29}));
  EXPECT_TRUE(SurelyUsableBar({100.25, 101, 99.5, 100.5, 1500, 0}));
  EXPECT_FALSE(SurelyUsableBar({100, 101, 99, 100, std::nextafter(bound, HUGE_VAL), 0}));
}

uint64_t Bits(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// The series as a plain history: every value pushed, newest last.
struct ModelSeries {
  std::vector<double> values;
  double Get(size_t k, size_t capacity) const {
    k %= capacity;  // a full turn lands on the newest again
    return k < values.size() ? values[values.size() - 1 - k] : 0.0;
  }
};

struct Model {
  int32_t barNumber = 0;
  ModelSeries series[9];  // open high low close volume volume1 volume2 date time

  void Store(int32_t bar, const double (&bar9)[9]) {
    if (bar < barNumber) return;
    const int64_t steps = int64_t{bar} - barNumber;
    for (int i = 0; i < 9; ++i) {
      if (steps == 0 && series[i].values.empty()) series[i].values.push_back(0.0);
      if (steps == 0) series[i].values.back() = bar9[i];
      for (int64_t n = 0; n < (steps < 400 ? steps : 400); ++n) series[i].values.push_back(bar9[i]);
    }
    barNumber = bar;
  }
};

// Random host calls with revisions, older bars, short and long jumps and
// unusable figures of every kind: every element of every series reads what a
// plain history of the stored bars gives, with unusable prices replaced by
// the newest stored price and unusable volumes by 0.
void CheckHostileCalls(Indicator& p) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {nan, inf, -inf, 1.5e30, -2e30, kLargestBarValue, 0.9e30, -0.0, 1e-300};
  uint64_t state = 12345;
  auto next = [&state](uint64_t n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % n;
  };
  Model model;
  int32_t bar = 0;
  for (int call = 0; call < 3000; ++call) {
    const uint64_t kind = next(100);
    const int32_t number = kind < 60   ? ++bar
                           : kind < 75 ? bar
                           : kind < 82 ? bar - 1 - static_cast<int32_t>(next(3))
                           : kind < 97 ? (bar += 2 + static_cast<int32_t>(next(30)))
                                       : (bar += 250 + static_cast<int32_t>(next(100)));
    double f[6];
    for (double& x : f) x = next(10) == 0 ? odd[next(9)] : static_cast<double>(next(1000)) / 8;
    const int32_t date = static_cast<int32_t>(next(5));
    const int32_t time = static_cast<int32_t>(next(1440));
    p.SetBar(number, date, time, f[0], f[1], f[2], f[3], f[4], f[5], next(2) == 0);
    if (number >= model.barNumber) {
      for (int i = 0; i < 6; ++i) {
        if (UsableBarFigure(f[i])) continue;
        f[i] = i < 4 ? model.series[i].Get(0, 300) : 0.0;
      }
    }
    const double v = f[4] + f[5];
    model.Store(number, {f[0], f[1], f[2], f[3], v, f[4], f[5], static_cast<double>(date),
                         static_cast<double>(time)});
    const RingSeries* prices[7] = {&p.openSeries,   &p.highSeries,   &p.lowSeries,
                                   &p.closeSeries,  &p.volumeSeries, &p.volume1Series,
                                   &p.volume2Series};
    ASSERT_EQ(p.barNumber, model.barNumber);
    for (int i = 0; i < 7; ++i) {
      for (int32_t k = 0; k <= 300; ++k) {
        ASSERT_EQ(Bits(prices[i]->Get(k)), Bits(model.series[i].Get(static_cast<size_t>(k), 300)))
            << "call " << call << " series " << i << " k " << k;
      }
    }
    for (int32_t k = 0; k <= 10; ++k) {
      ASSERT_EQ(p.dateSeries.Get(k), model.series[7].Get(static_cast<size_t>(k), 10)) << call;
      ASSERT_EQ(p.timeSeries.Get(k), model.series[8].Get(static_cast<size_t>(k), 10)) << call;
    }
  }
}

TEST(BarStore, MatchesAPlainHistoryOnHostileCalls) {
  Probe general;  // made directly: every call takes the general path
  CheckHostileCalls(general);
  CheckHostileCalls(*Made<QuietProbe>());
}

TEST(BarStore, StatusNamesTheLastReplacementAndIgnoredParameter) {
  const int32_t h = test::Create("VEGA", "ES");
  test::Feed(h, {1, 1, 10, 11, 9, 10, 5, 5});
  const std::string clean = ZEB_IndicatorError(h);
  EXPECT_EQ(clean, "VEGA instance " + std::to_string(h) + " (ES): in working order, newest bar 1");
  test::Feed(h, {2, 1, 10, std::nan(""), 9, 10, 5, 1e300});
  test::Feed(h, {3, 1, 10, 11, 9, 10, 5, 5});
  EXPECT_EQ(std::string(ZEB_IndicatorError(h)),
            clean.substr(0, clean.size() - 1) +
                "3; bar 2 stored with unusable figures replaced: " + "high volume2");
  test::Feed(h, {4, 1, 10, 11, 9, 10, -HUGE_VAL, 5});
  ZEB_IndicatorSetParameter(h, 8, std::nan(""));
  EXPECT_NE(std::strstr(ZEB_IndicatorError(h),
                        "bar 4 stored with unusable figures replaced: volume1; parameter 8 given "
                        "NaN, previous value kept"),
            nullptr);
}

// A NaN close, then the same bar resent correct, in a long swinging series:
// the swing levels keep moving afterwards.
TEST(BarStore, OneNaNCloseDoesNotFreezeTurnDetection) {
  const int32_t h = test::Create("FLOATPCL");
  double lastChange = 0;
  double level = 0;
  for (int32_t n = 1; n <= 20000; ++n) {
    const double mid = 100 + 10 * std::sin(n / 40.0);
    if (n == 5000) test::Feed(h, {n, 1, mid, mid + 1, mid - 1, std::nan("")});
    test::Feed(h, {n, 1, mid, mid + 1, mid - 1, mid});
    if (ZEB_IndicatorValue(h, 3) != level) {
      level = ZEB_IndicatorValue(h, 3);
      lastChange = n;
    }
  }
  EXPECT_GT(lastChange, 19000);
}

TEST(BarStore, NegativeBarNumbersAreIgnored) {
  Probe p;
  Store(p, -3, 10);
  EXPECT_EQ(p.barNumber, 0);
  EXPECT_EQ(p.closeSeries.Get(0), 0);
}

}  // namespace
}  // namespace zeb
