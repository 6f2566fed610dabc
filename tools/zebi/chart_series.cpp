#include "chart_series.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace zebi {
namespace {

using zeb::OutputRole;

constexpr const char* kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                    "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};

// Roles drawn as series: figures are not, profile columns are read with the profile.
bool Charted(OutputRole role) {
  return role != OutputRole::Auto && role != OutputRole::Figure && role != OutputRole::WindowEnd &&
         role != OutputRole::ProfileLow && role != OutputRole::ProfileHigh;
}

// The values of one column over the bars shown.
struct Window {
  const Replay& replay;
  size_t first, count;
  double Value(size_t i, size_t column) const { return replay.Value(first + i, column); }
};

// An Auto column as a level when its published values stay within `range` of
// the candles, as a pane line otherwise; Auto when it publishes nothing.
OutputRole ResolveAuto(const Window& window, size_t column, ValueRange candles) {
  const double range = std::max(candles.high - candles.low, 1e-9);
  bool any = false, nearPrice = true;
  for (size_t i = 0; i < window.count; ++i) {
    const double v = window.Value(i, column);
    if (!Published(v)) continue;
    any = true;
    if (v < candles.low - range || v > candles.high + range) nearPrice = false;
  }
  if (!any) return OutputRole::Auto;
  return nearPrice ? OutputRole::Level : OutputRole::Line;
}

// Whether a column has anything to draw in the window: outputs that stay
// unpublished (0) are left out of the chart and its legend.
bool Drawn(const Window& window, size_t column, OutputRole role) {
  for (size_t i = 0; i < window.count; ++i) {
    const double v = window.Value(i, column);
    if (role == OutputRole::Line ? std::isfinite(v) : Published(v)) return true;
  }
  return false;
}

ValueRange CandleRange(const std::vector<Bar>& bars, size_t first, size_t count) {
  if (count == 0) return {0, 0};
  ValueRange range{HUGE_VAL, -HUGE_VAL};
  for (size_t i = first; i < first + count; ++i) {
    range.low = std::min(range.low, bars[i].low);
    range.high = std::max(range.high, bars[i].high);
  }
  return range;
}

}  // namespace

SeriesChoice ChooseSeries(const std::vector<Bar>& bars, const Replay& replay, size_t first,
                          size_t count) {
  SeriesChoice choice;
  choice.candles = CandleRange(bars, first, count);
  const Window window{replay, first, count};
  for (size_t c = 0; c < replay.columns.size(); ++c) {
    OutputRole role = replay.columns[c].role;
    if (role == OutputRole::Auto) role = ResolveAuto(window, c, choice.candles);
    if (!Charted(role) || !Drawn(window, c, role)) continue;
    if (role == OutputRole::Line) choice.hasLines = true;
    if (role == OutputRole::Flag) ++choice.flagRows;
    choice.series.push_back({c, role, kPalette[choice.series.size() % std::size(kPalette)]});
  }
  return choice;
}

const Series* BandHighOf(const std::vector<Series>& series, size_t low) {
  for (size_t h = low + 1; h < series.size(); ++h) {
    if (series[h].role == OutputRole::BandHigh) return &series[h];
  }
  return nullptr;
}

}  // namespace zebi
