#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "bar_file.h"
#include "interface/indicator_info.h"
#include "replay.h"

namespace zebi {

enum class Format { Csv, Table, Json };

// "csv", "table" or "json"; throws std::invalid_argument otherwise.
Format ParseFormat(const std::string& name);

// One line per bar: bar, date, time, the set-bar result, then every recorded
// output. CSV and JSON carry every value exactly (shortest round-trip text);
// the table rounds to eight significant digits and aligns the columns.
void WriteReplay(std::ostream& out, Format format, const zeb::IndicatorInfo& info,
                 const std::vector<ParameterSetting>& settings, const std::vector<Bar>& bars,
                 const Replay& replay);

}  // namespace zebi
