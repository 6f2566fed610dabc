#pragma once

#include <cstdint>
#include <vector>

#include "bar_file.h"
#include "core/indicator_info.h"
#include "parameters.h"
#include "replay.h"

namespace zebi {

// The leading bars whose outputs do not mean anything yet, as the metadata's
// warm-up rule gives them at the parameters in effect. Fed bar by bar; once a
// bar is out of warm-up every later bar is too.
class WarmupTracker {
 public:
  WarmupTracker(const zeb::IndicatorInfo& info, const std::vector<ParameterSetting>& settings,
                const std::vector<Column>& columns);

  // True while `bar`, with the outputs it produced, is still in warm-up.
  bool Next(const Bar& bar, const std::vector<double>& values);

  // The bars the parameters alone call for (dates and publication aside).
  int64_t Bars() const { return bars_; }

 private:
  bool Published(const std::vector<double>& values) const;

  int64_t bars_ = 0;
  int64_t datesNeeded_ = 0;
  bool untilPublished_ = false;
  std::vector<size_t> drawn_;  // columns that count as published once non-zero
  int64_t seen_ = 0;
  int64_t newDates_ = 0;
  int32_t lastDate_ = 0;
  bool done_ = false;
};

// Per bar of a finished replay: true while in warm-up.
std::vector<bool> WarmupFlags(const zeb::IndicatorInfo& info,
                              const std::vector<ParameterSetting>& settings,
                              const std::vector<Bar>& bars, const Replay& replay);

}  // namespace zebi
