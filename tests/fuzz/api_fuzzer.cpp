// Drives the library the way a hostile host could: any keyword bytes, any
// handles, parameter indices and values, bar numbers, prices and volumes, with
// and without calculation, over several instances at once.
//
// Besides the sanitizers it checks three invariants: no exception leaves the
// indicator code (calls on known handles go to the instance directly, below the
// exports' catch-all), every call returns within a time bound, and the heap
// grows by no more than the turn detector's history: 8 bytes per recorded bar,
// held in blocks of 1,024 entries, so each instance may also hold the unused
// rest of one block.

#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core/indicator.h"
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

struct Harness {
  std::vector<int32_t> handles;
  int32_t bar = 0;
  double price = 100.0;
  size_t setBarCalls = 0;
  size_t allowance = 0;  // heap bytes that creations were entitled to
  size_t baseline = 0;

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
    const size_t after = zeb::fuzz::LiveHeapBytes();
    if (after > before) allowance += after - before;
    if (h != -1) handles.push_back(h);
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
    zeb::Indicator* instance = zeb::registry::Find(handle);
    if (instance && in.ConsumeBool()) {
      instance->SetBar(bar, date, bar % 1440, price, high, low, price, volume1, volume2, calculate);
    } else if (calculate) {
      ZEB_IndicatorSetBar(handle, bar, date, bar % 1440, price, high, low, price, volume1, volume2);
    } else {
      ZEB_IndicatorSetBarNoCalc(handle, bar, date, bar % 1440, price, high, low, price, volume1,
                                volume2);
    }
  }

  void SetParameter(FuzzedDataProvider& in) {
    const int32_t handle = PickHandle(in);
    const int32_t index = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 20)
                                           : in.ConsumeIntegral<int32_t>();
    const double value = InterestingDouble(in);
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
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
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
