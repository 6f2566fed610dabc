// zebi: replays bars through the library's exported functions.
//
//   zebi run KEYWORD [--bars FILE] [--param INDEX=VALUE]...
//   zebi demo
//
// Without --bars the bundled sample is replayed.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bar_file.h"
#include "interface/keyword_table.h"
#include "zeb_indicators.h"

namespace {

struct Parameter {
  int32_t index;
  double value;
};

int Usage() {
  std::fprintf(stderr,
               "usage: zebi run KEYWORD [--bars FILE] [--param INDEX=VALUE]...\n"
               "       zebi demo\n");
  return 2;
}

int32_t OutputCount(const zeb::IndicatorInfo& info) {
  int32_t count = 0;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    if (info.outputs[i].lastIndex + 1 > count) count = info.outputs[i].lastIndex + 1;
  }
  return count;
}

const zeb::IndicatorInfo* InfoOf(const std::string& keyword) {
  const zeb::KeywordEntry* entry = zeb::FindKeyword(keyword.c_str());
  return entry ? entry->info : nullptr;
}

int32_t Replay(const zeb::IndicatorInfo& info, const std::vector<zebi::Bar>& bars,
               const std::vector<Parameter>& parameters, bool print) {
  const int32_t handle = ZEB_IndicatorInit(nullptr, info.keyword, "SAMPLE");
  for (const Parameter& p : parameters) ZEB_IndicatorSetParameter(handle, p.index, p.value);
  const int32_t outputs = OutputCount(info);
  if (print) {
    std::printf("bar,date,time,result");
    for (int32_t i = 0; i < outputs; ++i) std::printf(",out%d", i);
    std::printf("\n");
  }
  for (const zebi::Bar& b : bars) {
    const int32_t result = ZEB_IndicatorSetBar(handle, b.number, b.date, b.time, b.open, b.high,
                                               b.low, b.close, b.volume1, b.volume2);
    if (!print) continue;
    std::printf("%d,%d,%d,%d", b.number, b.date, b.time, result);
    for (int32_t i = 0; i < outputs; ++i) std::printf(",%.10g", ZEB_IndicatorValue(handle, i));
    std::printf("\n");
  }
  return handle;
}

int Run(int argc, char** argv) {
  if (argc < 1) return Usage();
  const zeb::IndicatorInfo* info = InfoOf(argv[0]);
  if (!info) {
    std::fprintf(stderr, "zebi: unknown keyword '%s'\n", argv[0]);
    return 2;
  }
  std::string barsPath = ZEBI_SAMPLE_BARS;
  std::vector<Parameter> parameters;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bars") == 0 && i + 1 < argc) {
      barsPath = argv[++i];
    } else if (std::strcmp(argv[i], "--param") == 0 && i + 1 < argc) {
      const std::string spec = argv[++i];
      const size_t eq = spec.find('=');
      char* end = nullptr;
      const long index = eq == std::string::npos ? 0 : std::strtol(spec.c_str(), &end, 10);
      if (eq == std::string::npos || end != spec.c_str() + eq) {
        std::fprintf(stderr, "zebi: --param wants INDEX=VALUE, got '%s'\n", spec.c_str());
        return 2;
      }
      parameters.push_back(
          {static_cast<int32_t>(index), std::strtod(spec.c_str() + eq + 1, nullptr)});
    } else {
      return Usage();
    }
  }
  Replay(*info, zebi::ReadBarFile(barsPath), parameters, true);
  return 0;
}

int Demo() {
  const std::vector<zebi::Bar> bars = zebi::ReadBarFile(ZEBI_SAMPLE_BARS);
  std::printf("%zu sample bars from %d to %d\n\n", bars.size(), bars.front().date,
              bars.back().date);
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    const int32_t handle = Replay(info, bars, {}, false);
    std::printf("%-10s", info.keyword);
    const int32_t outputs = OutputCount(info);
    for (int32_t o = 0; o < outputs && o < 10; ++o) {
      std::printf(" %12.6g", ZEB_IndicatorValue(handle, o));
    }
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc >= 2 && std::strcmp(argv[1], "run") == 0) return Run(argc - 2, argv + 2);
    if (argc == 2 && std::strcmp(argv[1], "demo") == 0) return Demo();
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zebi: %s\n", e.what());
    return 1;
  }
}
