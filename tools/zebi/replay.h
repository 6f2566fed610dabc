#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bar_file.h"
#include "interface/indicator_info.h"
#include "parameters.h"

namespace zebi {

// One output index a replay records after every bar.
struct Column {
  int32_t index = 0;
  std::string name;  // the output's name, with the offset in its run when the run is longer
  zeb::OutputRole role = zeb::OutputRole::Auto;
};

// Every output index except the profile runs (read once, at the end, instead).
std::vector<Column> RecordedColumns(const zeb::IndicatorInfo& info);

struct ReplayOptions {
  std::vector<ParameterSetting> settings;
  // Every n-th bar is stored without calculating (0: every bar calculates).
  int32_t noCalcEvery = 0;
  std::string symbol = "SAMPLE";
  bool showProgress = true;
};

// A finished replay: the instance, and what it answered bar by bar.
struct Replay {
  int32_t handle = -1;
  std::vector<Column> columns;
  std::vector<int32_t> results;  // per bar: what the set-bar call returned
  std::vector<double> values;    // per bar, per column

  double Value(size_t bar, size_t column) const { return values[bar * columns.size() + column]; }
};

// Creates an instance through the exported functions, sets the parameters and
// feeds every bar, recording each column after each bar. Throws
// std::runtime_error when the library refuses to create the instance.
Replay RunReplay(const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                 const ReplayOptions& options);

}  // namespace zebi
