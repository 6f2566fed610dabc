// Replays a bar file through every keyword of the keyword table via the
// exported functions and prints one digest line per keyword: a 64-bit FNV-1a
// hash over the exact bits of every SetBar result and every output after
// every bar. Builds that compute identically print identical lines, so the
// native and the Win32 builds are compared by comparing this output.
//
//   zeb_replay BARS.csv
//
// The file has the columns bar,date,time,open,high,low,close,volume1,volume2
// (time as HH:MM), as data/sample_bars.csv.

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "interface/keyword_table.h"
#include "zeb_indicators.h"

namespace {

struct Bar {
  int32_t number, date, time;
  double open, high, low, close, volume1, volume2;
};

std::vector<Bar> ReadBars(const char* path) {
  std::vector<Bar> bars;
  FILE* file = std::fopen(path, "r");
  if (!file) return bars;
  char line[512];
  if (!std::fgets(line, sizeof line, file)) line[0] = '\0';  // header
  while (std::fgets(line, sizeof line, file)) {
    Bar b{};
    int hours = 0, minutes = 0;
    if (std::sscanf(line, "%" SCNd32 ",%" SCNd32 ",%d:%d,%lf,%lf,%lf,%lf,%lf,%lf", &b.number,
                    &b.date, &hours, &minutes, &b.open, &b.high, &b.low, &b.close, &b.volume1,
                    &b.volume2) == 10) {
      b.time = hours * 100 + minutes;
      bars.push_back(b);
    }
  }
  std::fclose(file);
  return bars;
}

class Digest {
 public:
  void Add(uint64_t bits) {
    for (int i = 0; i < 8; ++i) {
      hash_ ^= (bits >> (8 * i)) & 0xffu;
      hash_ *= 1099511628211ull;
    }
  }
  // Every NaN counts as one value: hosts cannot tell NaN payloads apart.
  void Add(double value) {
    uint64_t bits = 0x7ff8000000000000ull;
    if (!std::isnan(value)) std::memcpy(&bits, &value, sizeof bits);
    Add(bits);
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

int32_t OutputCount(const zeb::IndicatorInfo& info) {
  int32_t count = 0;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    if (info.outputs[i].lastIndex + 1 > count) count = info.outputs[i].lastIndex + 1;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zeb_replay BARS.csv\n");
    return 2;
  }
  const std::vector<Bar> bars = ReadBars(argv[1]);
  if (bars.empty()) {
    std::fprintf(stderr, "zeb_replay: no bars read from %s\n", argv[1]);
    return 1;
  }
  Digest input;
  for (const Bar& b : bars) {
    for (double v : {b.open, b.high, b.low, b.close, b.volume1, b.volume2}) input.Add(v);
  }
  std::printf("bars %zu input %016" PRIx64 "\n", bars.size(), input.Value());
  for (int32_t k = 0; k < zeb::KeywordCount(); ++k) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[k].info;
    const int32_t handle = ZEB_IndicatorInit(nullptr, info.keyword, "SAMPLE");
    const int32_t outputs = OutputCount(info);
    Digest digest;
    for (const Bar& b : bars) {
      const int32_t result = ZEB_IndicatorSetBar(handle, b.number, b.date, b.time, b.open, b.high,
                                                 b.low, b.close, b.volume1, b.volume2);
      digest.Add(static_cast<uint64_t>(static_cast<uint32_t>(result)));
      for (int32_t i = 0; i < outputs; ++i) digest.Add(ZEB_IndicatorValue(handle, i));
    }
    std::printf("%-10s outputs %3d digest %016" PRIx64 "\n", info.keyword,
                static_cast<int>(outputs), digest.Value());
  }
  std::printf("replay complete\n");
  return 0;
}
