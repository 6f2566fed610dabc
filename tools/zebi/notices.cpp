#include "notices.h"

#include <stdexcept>

#include "format_number.h"
#include "interface/keyword_table.h"

namespace zebi {
namespace {

bool IsSet(const zeb::ParameterInfo& parameter, const std::vector<ParameterSetting>& settings) {
  for (const ParameterSetting& s : settings) {
    if (s.index == parameter.index) return true;
  }
  return false;
}

// Whether the parameters without a default are all set (WhileUnset) or all 0
// in effect (WhileAllZero).
bool NoDefaultParameters(const zeb::IndicatorInfo& info,
                         const std::vector<ParameterSetting>& settings, bool wantAllSet) {
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    const zeb::ParameterInfo& p = info.parameters[i];
    if (p.hasDefault) continue;
    if (wantAllSet && !IsSet(p, settings)) return false;
    if (!wantAllSet && EffectiveValue(p, settings) != 0.0) return false;
  }
  return true;
}

bool WindowEndsCoincide(const zeb::IndicatorInfo& info,
                        const std::vector<ParameterSetting>& settings) {
  bool any = false;
  double first = 0;
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    const zeb::ParameterInfo& p = info.parameters[i];
    if (p.use != zeb::ParameterUse::WindowEnd) continue;
    const double v = EffectiveValue(p, settings);
    if (any && v != first) return false;
    first = v;
    any = true;
  }
  return any;
}

std::string KeywordsReading(zeb::VolumeUse use) {
  std::string out;
  for (int32_t i = 0; i < zeb::KeywordCount(); ++i) {
    const zeb::IndicatorInfo& info = *zeb::KeywordTable()[i].info;
    const bool reads = use == zeb::VolumeUse::Split ? info.volumeUse == use
                                                    : info.volumeUse != zeb::VolumeUse::None;
    if (reads) out += (out.empty() ? "" : ", ") + std::string(info.keyword);
  }
  return out;
}

// Why a typed value changes: the range, the flag rule or the truncation.
std::string ConversionNote(const zeb::ParameterInfo& p) {
  if (p.clamped) return " (range " + FormatShort(p.minimum) + ".." + FormatShort(p.maximum) + ")";
  if (p.kind == zeb::ParameterKind::Flag) return " (on for 1 only)";
  if (p.kind == zeb::ParameterKind::Integer) return " (a whole number)";
  return "";
}

}  // namespace

std::vector<std::string> SettingNotices(const zeb::IndicatorInfo& info,
                                        const std::vector<ParameterSetting>& settings) {
  std::vector<std::string> notices;
  for (size_t i = 0; i < settings.size(); ++i) {
    const zeb::ParameterInfo* p = FindParameter(info, settings[i].index);
    if (!p) {
      throw std::invalid_argument(std::string(info.keyword) + " has no parameter " +
                                  std::to_string(settings[i].index) + "; " + ParameterList(info));
    }
    const double used = EffectiveValue(*p, {settings[i]});
    const double typed = settings[i].value;
    if (used == typed) continue;
    notices.push_back(std::string(info.keyword) + " " + p->name + "=" + FormatShort(typed) +
                      ": the library uses " + FormatShort(used) + ConversionNote(*p));
  }
  return notices;
}

std::string IdleNotice(const zeb::IndicatorInfo& info,
                       const std::vector<ParameterSetting>& settings) {
  bool idle = false;
  switch (info.idleRule) {
    case zeb::IdleRule::None:
      break;
    case zeb::IdleRule::WhileUnset:
      idle = !NoDefaultParameters(info, settings, true);
      break;
    case zeb::IdleRule::WhileAllZero:
      idle = NoDefaultParameters(info, settings, false);
      break;
    case zeb::IdleRule::WhileEndsCoincide:
      idle = WindowEndsCoincide(info, settings);
      break;
  }
  return idle && info.idleNote ? info.idleNote : "";
}

std::string VolumeNotice(const zeb::IndicatorInfo& info, int volumeColumns) {
  if (volumeColumns >= 2 || info.volumeUse == zeb::VolumeUse::None) return "";
  if (volumeColumns == 1) {
    if (info.volumeUse != zeb::VolumeUse::Split) return "";
    return "the bars have one volume column: volume1 is that volume and volume2 is 0, so " +
           KeywordsReading(zeb::VolumeUse::Split) +
           " (which weigh volume1 against volume2) count every bar's volume as volume1";
  }
  return "the bars have no volume column: volume1 and volume2 are 0, so " +
         KeywordsReading(zeb::VolumeUse::Total) + " (which read volume) see no volume at all";
}

}  // namespace zebi
