#pragma once

#include <vector>

#include "core/indicator_info.h"
#include "parameters.h"
#include "replay.h"

namespace zebi {

// A volume profile as an instance holds it after the last bar, read through
// the exported functions where the metadata roles point.
struct ProfileSnapshot {
  std::vector<double> bins;   // lowest price first; empty when there is nothing to draw
  std::vector<double> marks;  // per bin: 2 node peak, 1 node bound, 0 neither
  double low = 0, high = 0;   // prices at the bottom and the top of the profile
  // Bars back from the newest bar to the ends of the window the profile was
  // built from; negative when the metadata names no window end.
  double nearEnd = -1, farEnd = -1;
};

ProfileSnapshot ReadProfile(const zeb::IndicatorInfo& info, const Replay& replay,
                            const std::vector<ParameterSetting>& settings);

}  // namespace zebi
