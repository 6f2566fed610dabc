#include "parameters.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "components/series_stats.h"
#include "format_number.h"
#include "interface/keyword_table.h"

namespace zebi {
namespace {

bool SameText(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

std::string ParameterList(const zeb::IndicatorInfo& info) {
  if (info.parameterCount == 0) return std::string(info.keyword) + " has no parameters";
  std::string out = "parameters of " + std::string(info.keyword) + ":";
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    out += " " + std::to_string(info.parameters[i].index) + "=" + info.parameters[i].name;
  }
  return out;
}

const zeb::IndicatorInfo* FindIndicator(const std::string& keyword) {
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo* info = zeb::KeywordTable()[i].info;
    if (SameText(keyword, info->keyword)) return info;
  }
  return nullptr;
}

const zeb::ParameterInfo* FindParameter(const zeb::IndicatorInfo& info, int32_t index) {
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    if (info.parameters[i].index == index) return &info.parameters[i];
  }
  return nullptr;
}

ParameterSetting ParseSetting(const zeb::IndicatorInfo& info, const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
    throw std::invalid_argument("parameter '" + text + "' is not NAME=VALUE or INDEX=VALUE");
  }
  const std::string key = text.substr(0, eq);
  const std::string valueText = text.substr(eq + 1);
  ParameterSetting setting;
  char* end = nullptr;
  errno = 0;
  const long long index = std::strtoll(key.c_str(), &end, 10);
  if (end == key.c_str() + key.size()) {
    if (errno == ERANGE || index < INT32_MIN || index > INT32_MAX) {
      throw std::invalid_argument("parameter index " + key + " is out of the 32-bit range");
    }
    setting.index = static_cast<int32_t>(index);
  } else {
    const zeb::ParameterInfo* found = nullptr;
    for (int32_t i = 0; i < info.parameterCount; ++i) {
      if (SameText(key, info.parameters[i].name)) found = &info.parameters[i];
    }
    if (!found) throw std::invalid_argument("no parameter '" + key + "'; " + ParameterList(info));
    setting.index = found->index;
  }
  errno = 0;
  setting.value = std::strtod(valueText.c_str(), &end);
  if (end != valueText.c_str() + valueText.size()) {
    throw std::invalid_argument("value '" + valueText + "' of parameter " + key +
                                " is not a number");
  }
  return setting;
}

std::vector<ParameterSetting> ParseSettings(const zeb::IndicatorInfo& info, const char* text) {
  std::vector<ParameterSetting> settings;
  if (!text) return settings;
  std::istringstream words(text);
  std::string word;
  while (words >> word) settings.push_back(ParseSetting(info, word));
  return settings;
}

double EffectiveValue(const zeb::ParameterInfo& parameter,
                      const std::vector<ParameterSetting>& settings) {
  double value = parameter.hasDefault ? parameter.defaultValue : 0.0;
  bool set = false;
  for (const ParameterSetting& s : settings) {
    if (s.index == parameter.index) {
      value = s.value;
      set = true;
    }
  }
  if (!set) return value;
  if (parameter.kind == zeb::ParameterKind::Flag && !parameter.clamped) {
    return zeb::ParameterToInt(value) == 1 ? 1.0 : 0.0;  // on for 1, off for anything else
  }
  if (parameter.kind != zeb::ParameterKind::Double) {
    if (parameter.clamped) {
      return zeb::ClampedParameter(value, static_cast<int32_t>(parameter.minimum),
                                   static_cast<int32_t>(parameter.maximum));
    }
    return zeb::ParameterToInt(value);
  }
  if (parameter.clamped) return zeb::ClampDouble(value, parameter.minimum, parameter.maximum);
  return value;
}

int32_t BinsInEffect(const zeb::IndicatorInfo& info,
                     const std::vector<ParameterSetting>& settings) {
  int32_t bins = INT32_MAX;
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    if (info.parameters[i].use == zeb::ParameterUse::BinCount) {
      bins = std::min(bins, static_cast<int32_t>(EffectiveValue(info.parameters[i], settings)));
    }
  }
  return bins;
}

std::string Describe(const zeb::IndicatorInfo& info, const ParameterSetting& setting) {
  const zeb::ParameterInfo* parameter = FindParameter(info, setting.index);
  const std::string key = parameter ? parameter->name : std::to_string(setting.index);
  return key + "=" + FormatShort(setting.value);
}

}  // namespace zebi
