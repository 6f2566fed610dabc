#include "warmup.h"

#include <cmath>

namespace zebi {
namespace {

double ValueInEffect(const zeb::IndicatorInfo& info, int32_t index,
                     const std::vector<ParameterSetting>& settings) {
  const zeb::ParameterInfo* parameter = FindParameter(info, index);
  return parameter ? EffectiveValue(*parameter, settings) : 0.0;
}

// A parameter value as a bar count: NaN and negatives count as none, huge
// values stop at a bound no file reaches.
int64_t Count(double value) {
  if (!(value > 0)) return 0;
  return value > 1e12 ? static_cast<int64_t>(1e12) : static_cast<int64_t>(value);
}

}  // namespace

WarmupTracker::WarmupTracker(const zeb::IndicatorInfo& info,
                             const std::vector<ParameterSetting>& settings,
                             const std::vector<Column>& columns) {
  const zeb::WarmupInfo& rule = info.warmup;
  bars_ = rule.bars;
  for (int32_t index : rule.sumOf) {
    if (index >= 0) bars_ += Count(ValueInEffect(info, index, settings));
  }
  datesNeeded_ = rule.newDatesParameter >= 0
                     ? Count(ValueInEffect(info, rule.newDatesParameter, settings))
                     : rule.newDates;
  untilPublished_ = rule.untilPublished;
  for (size_t c = 0; c < columns.size(); ++c) {
    const zeb::OutputRole role = columns[c].role;
    if (role != zeb::OutputRole::Figure && role != zeb::OutputRole::WindowEnd) drawn_.push_back(c);
  }
}

bool WarmupTracker::Published(const std::vector<double>& values) const {
  for (size_t c : drawn_) {
    if (c < values.size() && std::isfinite(values[c]) && values[c] != 0.0) return true;
  }
  return false;
}

bool WarmupTracker::Next(const Bar& bar, const std::vector<double>& values) {
  if (seen_ > 0 && bar.date != lastDate_) ++newDates_;
  ++seen_;
  lastDate_ = bar.date;
  if (done_) return false;
  done_ = seen_ > bars_ && newDates_ >= datesNeeded_ && (!untilPublished_ || Published(values));
  return !done_;
}

std::vector<bool> WarmupFlags(const zeb::IndicatorInfo& info,
                              const std::vector<ParameterSetting>& settings,
                              const std::vector<Bar>& bars, const Replay& replay) {
  WarmupTracker tracker(info, settings, replay.columns);
  std::vector<bool> flags;
  std::vector<double> values(replay.columns.size());
  for (size_t i = 0; i < bars.size() && i < replay.results.size(); ++i) {
    for (size_t c = 0; c < values.size(); ++c) values[c] = replay.Value(i, c);
    flags.push_back(tracker.Next(bars[i], values));
  }
  return flags;
}

}  // namespace zebi
