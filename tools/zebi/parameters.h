#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/indicator_info.h"

namespace zebi {

// One parameter a replay sets before its first bar.
struct ParameterSetting {
  int32_t index = 0;
  double value = 0;
};

// The keyword's metadata, matched in any case; null when unknown.
const zeb::IndicatorInfo* FindIndicator(const std::string& keyword);

// The parameter with this index, or null when the indicator names none.
const zeb::ParameterInfo* FindParameter(const zeb::IndicatorInfo& info, int32_t index);

// Parses "NAME=VALUE" or "INDEX=VALUE" (name in any case; an index the
// indicator does not name is passed on, as a host may). Throws
// std::invalid_argument with a message that lists the valid names.
ParameterSetting ParseSetting(const zeb::IndicatorInfo& info, const std::string& text);

// "parameters of KEYWORD: 0=name 1=name ..." for messages.
std::string ParameterList(const zeb::IndicatorInfo& info);

// Blank-separated settings, as in IndicatorInfo::demoParameters (null: none).
std::vector<ParameterSetting> ParseSettings(const zeb::IndicatorInfo& info, const char* text);

// The value an instance holds for `parameter` after `settings`: the last
// setting, else the default, converted and limited as the metadata says.
double EffectiveValue(const zeb::ParameterInfo& parameter,
                      const std::vector<ParameterSetting>& settings);

// The number of profile bins in effect (the BinCount parameter), or INT32_MAX
// when the indicator has none.
int32_t BinsInEffect(const zeb::IndicatorInfo& info, const std::vector<ParameterSetting>& settings);

// "name=value" for display.
std::string Describe(const zeb::IndicatorInfo& info, const ParameterSetting& setting);

}  // namespace zebi
