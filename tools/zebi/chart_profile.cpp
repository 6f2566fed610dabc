#include "chart_profile.h"

#include <algorithm>
#include <cmath>

#include "zeb_indicators.h"

namespace zebi {
namespace {

using zeb::OutputRole;

// The newest value of the first recorded column with `role`, NaN when none.
double Newest(const Replay& replay, OutputRole role) {
  if (replay.results.empty()) return std::nan("");
  for (size_t c = 0; c < replay.columns.size(); ++c) {
    if (replay.columns[c].role == role) return replay.Value(replay.results.size() - 1, c);
  }
  return std::nan("");
}

// The window ends from WindowEnd outputs and parameters.
void ReadWindow(const zeb::IndicatorInfo& info, const Replay& replay,
                const std::vector<ParameterSetting>& settings, ProfileSnapshot& profile) {
  std::vector<double> ends;
  for (size_t c = 0; c < replay.columns.size() && !replay.results.empty(); ++c) {
    if (replay.columns[c].role == OutputRole::WindowEnd) {
      ends.push_back(replay.Value(replay.results.size() - 1, c));
    }
  }
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    if (info.parameters[i].use == zeb::ParameterUse::WindowEnd) {
      ends.push_back(EffectiveValue(info.parameters[i], settings));
    }
  }
  if (ends.empty()) return;
  for (double e : ends) {
    if (!std::isfinite(e) || e < 0) return;
  }
  profile.nearEnd = *std::min_element(ends.begin(), ends.end());
  profile.farEnd = *std::max_element(ends.begin(), ends.end());
}

}  // namespace

ProfileSnapshot ReadProfile(const zeb::IndicatorInfo& info, const Replay& replay,
                            const std::vector<ParameterSetting>& settings) {
  ProfileSnapshot profile;
  const zeb::OutputInfo* bins = nullptr;
  const zeb::OutputInfo* marks = nullptr;
  for (int32_t i = 0; i < info.outputCount; ++i) {
    if (info.outputs[i].role == OutputRole::Profile) bins = &info.outputs[i];
    if (info.outputs[i].role == OutputRole::ProfileMarks) marks = &info.outputs[i];
  }
  profile.low = Newest(replay, OutputRole::ProfileLow);
  profile.high = Newest(replay, OutputRole::ProfileHigh);
  if (!bins || !std::isfinite(profile.low) || !std::isfinite(profile.high) ||
      profile.high < profile.low) {
    return profile;
  }
  const int64_t binCount =
      std::min<int64_t>(bins->lastIndex - bins->firstIndex + 1, BinsInEffect(info, settings));
  for (int64_t b = 0; b < binCount; ++b) {
    const int32_t offset = static_cast<int32_t>(b);
    profile.bins.push_back(ZEB_IndicatorValue(replay.handle, bins->firstIndex + offset));
    profile.marks.push_back(marks ? ZEB_IndicatorValue(replay.handle, marks->firstIndex + offset)
                                  : 0.0);
  }
  ReadWindow(info, replay, settings, profile);
  return profile;
}

}  // namespace zebi
