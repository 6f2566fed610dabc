#pragma once

#include <string>
#include <vector>

#include "core/indicator_info.h"
#include "parameters.h"

namespace zebi {

// Checks the settings against the keyword's parameters: an index the keyword
// does not have throws std::invalid_argument. Returns one line per setting
// the library will not take as typed (clamped, truncated, NaN converted),
// saying the value it will actually use.
std::vector<std::string> SettingNotices(const zeb::IndicatorInfo& info,
                                        const std::vector<ParameterSetting>& settings);

// The keyword's note when the settings leave it computing nothing useful
// (defaults that print NaN, trade no side, or cover one bar); else "".
std::string IdleNotice(const zeb::IndicatorInfo& info,
                       const std::vector<ParameterSetting>& settings);

// What a file with `volumeColumns` volume columns (0, 1 or 2) means for the
// keyword when it reads volume; else "".
std::string VolumeNotice(const zeb::IndicatorInfo& info, int volumeColumns);

}  // namespace zebi
