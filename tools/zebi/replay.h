#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bar_file.h"
#include "core/indicator_info.h"
#include "parameters.h"

namespace zebi {

// One output index a replay records after every bar.
struct Column {
  int32_t index = 0;
  std::string name;  // the output's name, with the offset in its run when the run is longer
  zeb::OutputRole role = zeb::OutputRole::Auto;
};

// Every output index except the profile runs (read once, at the end, instead);
// with allOutputs the profile runs too, up to the bin count in effect.
std::vector<Column> RecordedColumns(const zeb::IndicatorInfo& info, bool allOutputs = false,
                                    const std::vector<ParameterSetting>& settings = {});

struct ReplayOptions {
  std::vector<ParameterSetting> settings;
  // Every n-th bar is stored without calculating (0: every bar calculates).
  int32_t noCalcEvery = 0;
  std::string symbol = "SAMPLE";
  bool showProgress = true;
  bool allOutputs = false;  // also record the profile runs per bar
};

// One instance fed bar by bar through the exported functions, as a host does.
class ReplaySession {
 public:
  // Creates the instance and sets the parameters. Throws std::runtime_error
  // when the library refuses to create it.
  ReplaySession(const zeb::IndicatorInfo& info, const ReplayOptions& options);

  // Feeds one bar; `values` receives every column after it. Returns what the
  // set-bar call returned.
  int32_t Feed(const Bar& bar, std::vector<double>& values);

  int32_t Handle() const { return handle_; }
  const std::vector<Column>& Columns() const { return columns_; }

 private:
  int32_t handle_ = -1;
  std::vector<Column> columns_;
  int32_t noCalcEvery_ = 0;
  size_t fed_ = 0;
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
