#pragma once

#include <cstddef>
#include <vector>

#include "bar_file.h"
#include "chart_layout.h"
#include "core/indicator_info.h"
#include "replay.h"

namespace zebi {

// A recorded column as the chart draws it.
struct Series {
  size_t column;
  zeb::OutputRole role;  // never Auto: resolved from the values
  const char* color;
};

// The columns a chart draws, in column order, and what they need of the layout.
struct SeriesChoice {
  std::vector<Series> series;
  bool hasLines = false;  // pane lines
  size_t flagRows = 0;    // pane flags
  ValueRange candles;     // lowest low and highest high of the bars shown
};

// Decides how every recorded column is drawn over the `count` bars from
// `first`; Auto columns go over the candles when their values stay near the
// price range, into the pane otherwise. Columns with nothing to draw are left out.
SeriesChoice ChooseSeries(const std::vector<Bar>& bars, const Replay& replay, size_t first,
                          size_t count);

// The band high drawn with the band low at series[low], or null.
const Series* BandHighOf(const std::vector<Series>& series, size_t low);

}  // namespace zebi
