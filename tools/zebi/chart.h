#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "bar_file.h"
#include "core/indicator_info.h"
#include "parameters.h"
#include "replay.h"

namespace zebi {

struct ChartOptions {
  size_t lastBars = 300;  // the chart shows the newest bars only
  size_t totalBars = 0;   // bars replayed in all, when `bars` holds only the newest (0: all)
  size_t warmupBars = 0;  // leading bars of `bars` still in warm-up: shaded
};

// Draws a finished replay as an SVG document: candlesticks with volume, the
// price outputs over them and the oscillators in a pane below, each drawn as
// its metadata role says. Profiles are read from the instance as it stands
// after the last bar and drawn sideways at the right edge.
void WriteChart(std::ostream& out, const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                const Replay& replay, const std::vector<ParameterSetting>& settings,
                const ChartOptions& options = {});

}  // namespace zebi
