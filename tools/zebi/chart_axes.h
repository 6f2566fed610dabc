#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bar_file.h"

namespace zebi {

// Round values for an axis from low to high: a step of 1, 2, 2.5 or 5 times a
// power of ten, chosen so that about `count` ticks fall inside the range.
std::vector<double> RoundTicks(double low, double high, int count);

// A tick value as text, with no more decimals than the step needs.
std::string TickLabel(double value, double step);

// Where the time axis of a run of bars gets a gridline, and its label.
struct TimeMark {
  size_t bar;  // index of the first bar of the new day, month or year
  std::string label;
};

// Gridlines at day, month or year starts, whichever unit gives at most
// `maxMarks`; labels carry the year when the bars span years and the time of
// day on intraday bars (several bars a date).
std::vector<TimeMark> TimeMarks(const std::vector<Bar>& bars, size_t first, size_t count,
                                size_t maxMarks);

}  // namespace zebi
