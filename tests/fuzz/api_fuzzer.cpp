// Drives the library the way a hostile host could: any keyword bytes, any
// handles, parameter indices and values, bar numbers, prices and volumes, with
// and without calculation, over several instances at once.
//
// Besides the sanitizers it checks four invariants: no exception leaves the
// indicator code (calls on known handles go to the instance directly, below the
// exports' catch-all), every call returns within a time bound, the heap
// grows by no more than the turn detector's history: 8 bytes per recorded bar,
// held in blocks of 1,024 entries, so each instance may also hold the unused
// rest of one block; and no output stays non-finite for longer than the
// keyword's longest window of usable bars unless those bars alone make it so
// (a fresh instance with the same parameters, fed the same calls, agrees).

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/indicator.h"
#include "core/usable_bar.h"
#include "heap_meter.h"
#include "interface/keyword_table.h"
#include "interface/registry.h"
#include "net/box_service.h"
#include "zeb_indicators.h"

namespace {

constexpr auto kCallBound = std::chrono::seconds(2);
constexpr size_t kHeapSlack = 64 * 1024;
// One turn-detector history block with its bookkeeping.
constexpr size_t kHistoryBlockBytes = 1024 * sizeof(double) + 64;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

double InterestingDouble(FuzzedDataProvider& in) {
  static const double kValues[] = {0.0,
                                   -0.0,
                                   1.0,
                                   -1.0,
                                   0.5,
                                   -0.5,
                                   12.9,
                                   100.0,
                                   299.0,
                                   300.0,
                                   1e10,
                                   -1e10,
                                   2147483647.0,
                                   2147483648.0,
                                   -2147483649.0,
                                   1e300,
                                   -1e300,
                                   1e-300,
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::denorm_min()};
  if (in.ConsumeBool())
    return kValues[in.ConsumeIntegralInRange<size_t>(0, std::size(kValues) - 1)];
  return in.ConsumeFloatingPoint<double>();
}

double Price(FuzzedDataProvider& in, double previous) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return previous;
    case 1:
      return previous + in.ConsumeIntegralInRange<int>(-50, 50) * 0.25;
    case 2:
      return in.ConsumeIntegralInRange<int>(1, 400) * 0.5;
    default:
      return InterestingDouble(in);
  }
}

int32_t BarNumber(FuzzedDataProvider& in, int32_t current) {
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      return current;
    case 1:
    case 2:
      return current < INT_MAX ? current + 1 : current;
    case 3:
      return current < INT_MAX - 400 ? current + in.ConsumeIntegralInRange<int32_t>(2, 400)
                                     : INT_MAX;
    case 4:
      return current > INT_MIN + 5 ? current - in.ConsumeIntegralInRange<int32_t>(1, 5) : current;
    default:
      return in.ConsumeIntegral<int32_t>();
  }
}

// The longest window of any keyword, in bars and in dates: windows of up to
// 300 bars over values from windows of up to 300 bars, and period ranges over
// the last 20 dates.
constexpr int32_t kWindowBars = 2 * 300;
constexpr int32_t kWindowDates = 21;
// Calls and parameter settings kept per instance, in storage reserved when
// the instance is created so that the heap check sees no growth from them.
constexpr size_t kKeptCalls = 4096;
constexpr size_t kKeptParameters = 256;

struct StoreCall {
  int32_t bar, date, time;
  double open, high, low, close, volume1, volume2;
  bool calculate;
};

bool Usable(const StoreCall& c) {
  for (const double v : {c.open, c.high, c.low, c.close, c.volume1, c.volume2}) {
    if (!(std::fabs(v) <= zeb::kLargestBarValue)) return false;
  }
  return true;
}

// What an instance has been given since its parameters last changed or it was
// last given an unusable figure, and how long each output has been non-finite
// since.
struct Track {
  std::string keyword;
  std::vector<std::pair<int32_t, double>> parameters;  // every SetParameter, in order
  std::vector<StoreCall> calls;
  int32_t startBar = 0;  // the instance's bar number before the first kept call
  int32_t advances = 0;  // kept calls that advanced the bar number
  int32_t dates = 0;     // kept calls that stored a bar of another date than the one before
  int32_t lastDate = 0;
  std::vector<int32_t> nonFiniteRun;  // calculating calls, per output
  bool tracked = true;                // false once more parameters came than are kept

  void Restart() {
    calls.clear();
    advances = 0;
    dates = 0;
    nonFiniteRun.assign(nonFiniteRun.size(), 0);
  }
};

struct Harness {
  std::vector<int32_t> handles;
  std::map<int32_t, Track> tracks;
  int32_t bar = 0;
  double price = 100.0;
  size_t setBarCalls = 0;
  size_t allowance = 0;  // heap bytes that creations were entitled to
  size_t baseline = 0;
  int32_t ordinaryBudget = 1200;  // ordinary bars left for this input

  int32_t PickHandle(FuzzedDataProvider& in) {
    if (handles.empty() || in.ConsumeIntegralInRange<int>(0, 9) == 0) {
      return in.ConsumeIntegral<int32_t>();
    }
    return handles[in.ConsumeIntegralInRange<size_t>(0, handles.size() - 1)];
  }

  void Create(FuzzedDataProvider& in) {
    std::string keyword;
    if (in.ConsumeBool()) {
      const int32_t row = in.ConsumeIntegralInRange<int32_t>(0, zeb::KeywordCount() - 1);
      keyword = zeb::KeywordTable()[row].info->keyword;
      if (in.ConsumeIntegralInRange<int>(0, 7) == 0) keyword.back() ^= 0x20;
    } else {
      keyword = in.ConsumeRandomLengthString(16);
    }
    std::string symbol = in.ConsumeRandomLengthString(200);
    const bool nullSymbol = in.ConsumeIntegralInRange<int>(0, 5) == 0;
    const size_t before = zeb::fuzz::LiveHeapBytes();
    const int32_t h =
        ZEB_IndicatorInit(nullptr, keyword.c_str(), nullSymbol ? nullptr : symbol.c_str());
    if (h != -1) {
      handles.push_back(h);
      const zeb::IndicatorInfo& info = *zeb::registry::EntryOf(h)->info;
      Track& track = tracks[h];
      track.keyword = info.keyword;
      track.nonFiniteRun.assign(
          static_cast<size_t>(info.outputs[info.outputCount - 1].lastIndex + 1), 0);
      track.calls.reserve(kKeptCalls);
      track.parameters.reserve(kKeptParameters);
    }
    const size_t after = zeb::fuzz::LiveHeapBytes();
    if (after > before) allowance += after - before;
  }

  // Replays a track into a fresh instance; true when its output `index` ends
  // non-finite too.
  bool FreshAgrees(const Track& track, size_t index) {
    const size_t before = zeb::fuzz::LiveHeapBytes();
    const int32_t h = ZEB_IndicatorInit(nullptr, track.keyword.c_str(), "REPLAY");
    const size_t after = zeb::fuzz::LiveHeapBytes();
    allowance += (after > before ? after - before : 0) + kHistoryBlockBytes;
    if (h == -1) return true;
    for (const auto& p : track.parameters) ZEB_IndicatorSetParameter(h, p.first, p.second);
    // The fresh instance starts from the same bar number, so that it keeps
    // and ignores the same calls.
    const StoreCall& first = track.calls.front();
    ZEB_IndicatorSetBarNoCalc(h, track.startBar, first.date, first.time, first.open, first.high,
                              first.low, first.close, first.volume1, first.volume2);
    for (const StoreCall& c : track.calls) {
      ++setBarCalls;
      zeb::registry::Find(h)->SetBar(c.bar, c.date, c.time, c.open, c.high, c.low, c.close,
                                     c.volume1, c.volume2, c.calculate);
    }
    return !std::isfinite(ZEB_IndicatorValue(h, static_cast<int32_t>(index)));
  }

  // Counts the non-finite outputs after a stored call and checks the runs
  // that have outlasted the longest window.
  void CheckOutputs(int32_t handle, int32_t barBefore, const StoreCall& call) {
    const auto found = tracks.find(handle);
    if (found == tracks.end() || !found->second.tracked) return;
    Track& track = found->second;
    if (!Usable(call)) {
      track.Restart();
      return;
    }
    if (track.calls.size() == kKeptCalls) track.Restart();
    if (track.calls.empty()) track.startBar = barBefore;
    track.calls.push_back(call);
    if (!call.calculate) return;
    if (call.bar > barBefore) ++track.advances;
    if (call.bar >= barBefore) {
      track.dates += call.date != track.lastDate;
      track.lastDate = call.date;
    }
    zeb::Indicator* instance = zeb::registry::Find(handle);
    for (size_t i = 0; i < track.nonFiniteRun.size(); ++i) {
      int32_t& run = track.nonFiniteRun[i];
      run = std::isfinite(instance->Value(static_cast<int32_t>(i))) ? 0 : run + 1;
      if (run > kWindowBars && track.advances > kWindowBars && track.dates > kWindowDates) {
        if (!FreshAgrees(track, i)) Fail("an output stayed non-finite beyond its window");
        run = 0;
      }
    }
  }

  void StoreBar(FuzzedDataProvider& in, bool calculate) {
    const int32_t handle = PickHandle(in);
    bar = BarNumber(in, bar);
    const int32_t date = in.ConsumeBool() ? bar / 78 : in.ConsumeIntegral<int32_t>();
    price = Price(in, price);
    const double high = in.ConsumeBool() ? price + 1.0 : Price(in, price);
    const double low = in.ConsumeBool() ? price - 1.0 : Price(in, price);
    const double volume1 = in.ConsumeBool() ? 100.0 : InterestingDouble(in);
    const double volume2 = in.ConsumeBool() ? 50.0 : InterestingDouble(in);
    ++setBarCalls;
    const StoreCall call{bar, date,  bar % 1440, price,   high,
                         low, price, volume1,    volume2, calculate};
    zeb::Indicator* instance = zeb::registry::Find(handle);
    const int32_t barBefore = instance ? instance->barNumber : 0;
    if (instance && in.ConsumeBool()) {
      instance->SetBar(bar, date, bar % 1440, price, high, low, price, volume1, volume2, calculate);
    } else if (calculate) {
      ZEB_IndicatorSetBar(handle, bar, date, bar % 1440, price, high, low, price, volume1, volume2);
    } else {
      ZEB_IndicatorSetBarNoCalc(handle, bar, date, bar % 1440, price, high, low, price, volume1,
                                volume2);
    }
    CheckOutputs(handle, barBefore, call);
  }

  // A run of ordinary bars into one instance, as after a host's bad tick:
  // long enough for the outputs to outlast every window. The runs of one
  // input share a budget, so that an input stays quick to execute.
  void FeedOrdinaryBars(FuzzedDataProvider& in) {
    const int32_t handle = PickHandle(in);
    const int32_t count = std::min(in.ConsumeIntegralInRange<int32_t>(1, 1000), ordinaryBudget);
    ordinaryBudget -= count;
    const int32_t barsPerDate = in.ConsumeIntegralInRange<int32_t>(1, 100);
    uint32_t state = in.ConsumeIntegral<uint32_t>();
    zeb::Indicator* instance = zeb::registry::Find(handle);
    if (!instance) return;
    for (int32_t i = 0; i < count && bar < INT_MAX; ++i) {
      state = state * 1664525u + 1013904223u;
      const double move = static_cast<double>(state >> 24) / 256.0 - 0.5;
      price = std::fabs(price) < 1e6 ? price + move : 100.0;
      ++bar;
      const StoreCall call{bar,   bar / barsPerDate,     0,
                           price, price + 0.5,           price - 0.5,
                           price, 100.0 + (state & 255), 100.0 + ((state >> 8) & 255),
                           true};
      ++setBarCalls;
      const int32_t barBefore = instance->barNumber;
      instance->SetBar(call.bar, call.date, call.time, call.open, call.high, call.low, call.close,
                       call.volume1, call.volume2, true);
      CheckOutputs(handle, barBefore, call);
    }
  }

  void SetParameter(FuzzedDataProvider& in) {
    const int32_t handle = PickHandle(in);
    const int32_t index = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 20)
                                           : in.ConsumeIntegral<int32_t>();
    const double value = InterestingDouble(in);
    const auto track = tracks.find(handle);
    if (track != tracks.end()) {
      Track& t = track->second;
      t.tracked = t.tracked && t.parameters.size() < kKeptParameters;
      if (t.tracked) t.parameters.emplace_back(index, value);
      t.Restart();
    }
    if (zeb::Indicator* instance = zeb::registry::Find(handle)) {
      instance->SetParameter(index, value);
    } else if (ZEB_IndicatorSetParameter(handle, index, value) != 0) {
      Fail("unknown handle accepted a parameter");
    }
  }

  void Read(FuzzedDataProvider& in) {
    const int32_t handle = PickHandle(in);
    const int32_t index = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-2, 700)
                                           : in.ConsumeIntegral<int32_t>();
    if (zeb::Indicator* instance = zeb::registry::Find(handle)) {
      (void)instance->Value(index);
    } else if (ZEB_IndicatorValue(handle, index) != 0.0) {
      Fail("unknown handle gave a value");
    }
    const char* status = ZEB_IndicatorError(handle);
    if ((status != nullptr) != (zeb::registry::Find(handle) != nullptr)) Fail("status text");
  }

  void CheckHeap() const {
    const size_t live = zeb::fuzz::LiveHeapBytes();
    const size_t limit =
        baseline + allowance + 16 * setBarCalls + kHistoryBlockBytes * handles.size() + kHeapSlack;
    if (live > limit) Fail("heap grew beyond the turn detector's history");
  }
};

}  // namespace

// Downloads that an input requests go to a port where nothing listens, with
// short limits, so that they fail fast whatever the build's service host.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zeb::SetBoxServiceForTesting("127.0.0.1:9", 200, 400);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Harness harness;
  harness.baseline = zeb::fuzz::LiveHeapBytes();
  while (in.remaining_bytes() > 0) {
    const auto start = std::chrono::steady_clock::now();
    switch (in.ConsumeIntegralInRange<int>(0, 10)) {
      case 0:
        harness.Create(in);
        break;
      case 1:
      case 2:
      case 3:
        harness.StoreBar(in, true);
        break;
      case 4:
        harness.StoreBar(in, false);
        break;
      case 5:
      case 6:
        harness.SetParameter(in);
        break;
      case 10:
        harness.FeedOrdinaryBars(in);
        break;
      default:
        harness.Read(in);
        break;
    }
    if (std::chrono::steady_clock::now() - start > kCallBound) Fail("call took too long");
    harness.CheckHeap();
  }
  zeb::registry::DestroyAllForTesting();
  return 0;
}
