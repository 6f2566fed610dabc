#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "bar_file.h"
#include "chart_profile.h"
#include "core/indicator_info.h"
#include "replay.h"

namespace zebi {

enum class Format { Csv, Table, Json };

// "csv", "table" or "json" in any case; throws std::invalid_argument otherwise.
Format ParseFormat(const std::string& name);

// Writes a replay as it runs, one line per bar: bar, date, time, the set-bar
// result, whether the bar is still in warm-up, then every recorded output.
// CSV and JSON carry every value exactly (shortest round-trip text) and are
// written bar by bar; the table rounds to eight significant digits and takes
// its column widths from the first rows, so it too streams once they are out.
class ReplayWriter {
 public:
  ReplayWriter(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
               const std::vector<ParameterSetting>& settings, const std::vector<Column>& columns);

  void Row(const Bar& bar, int32_t result, bool warmup, const std::vector<double>& values);

  // Ends the document; JSON also gets the profile as the instance holds it
  // after the last bar, when the indicator has one.
  void Finish(const ProfileSnapshot& profile);

 private:
  void Line(const std::vector<std::string>& fields);
  void FlushTable();

  std::ostream& out_;
  Format format_;
  const std::vector<Column>& columns_;
  size_t rows_ = 0;
  std::vector<std::vector<std::string>> pending_;  // table rows before the widths are fixed
  std::vector<size_t> width_;
};

// A finished replay written in one go.
void WriteReplay(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
                 const std::vector<ParameterSetting>& settings, const std::vector<Bar>& bars,
                 const Replay& replay);

}  // namespace zebi
