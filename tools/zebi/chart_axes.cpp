#include "chart_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zebi {

std::vector<double> RoundTicks(double low, double high, int count) {
  std::vector<double> ticks;
  if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || count < 1) return ticks;
  const double rough = (high - low) / count;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power * 10;
  for (double factor : {1.0, 2.0, 2.5, 5.0}) {
    if (power * factor >= rough) {
      step = power * factor;
      break;
    }
  }
  for (double k = std::ceil(low / step); k * step <= high + step * 1e-9; k += 1) {
    ticks.push_back(k * step == 0 ? 0.0 : k * step);  // no "-0"
    if (ticks.size() > 50) break;
  }
  return ticks;
}

std::string TickLabel(double value, double step) {
  int decimals = 0;
  while (decimals < 10 && std::fabs(step * std::pow(10.0, decimals) -
                                    std::round(step * std::pow(10.0, decimals))) > 1e-6) {
    ++decimals;
  }
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

namespace {

std::string DateLabel(int32_t date, bool withYear) {
  char text[16];
  if (withYear) {
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
  } else {
    std::snprintf(text, sizeof(text), "%02d-%02d", date / 100 % 100, date % 100);
  }
  return text;
}

std::string MonthLabel(int32_t date, bool withYear) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int32_t month = date / 100 % 100;
  const std::string name = month >= 1 && month <= 12 ? kMonths[month - 1] : "?";
  return withYear ? name + " " + std::to_string(date / 10000) : name;
}

std::string TimeLabel(int32_t time) {
  const int32_t hhmm = time > 9999 ? time / 100 : time;  // HHMMSS or HHMM
  char text[8];
  std::snprintf(text, sizeof(text), "%02d:%02d", hhmm / 100 % 100, hhmm % 100);
  return text;
}

}  // namespace

std::vector<TimeMark> TimeMarks(const std::vector<Bar>& bars, size_t first, size_t count,
                                size_t maxMarks) {
  std::vector<TimeMark> marks;
  if (count < 2) return marks;
  const Bar& a = bars[first];
  const Bar& z = bars[first + count - 1];
  const bool spansYears = a.date / 10000 != z.date / 10000;
  size_t dates = 1;
  for (size_t i = first + 1; i < first + count; ++i) dates += bars[i].date != bars[i - 1].date;
  const bool intraday = dates < count;
  // Day, month, quarter or year starts: the finest unit that fits.
  for (int unit = 0; unit < 4; ++unit) {
    auto key = [unit](int32_t date) {
      const int32_t month = date / 100;  // YYYYMM
      const int32_t keys[] = {date, month, month / 100 * 4 + (month % 100 - 1) / 3, date / 10000};
      return keys[unit];
    };
    marks.clear();
    for (size_t i = 1; i < count; ++i) {
      const int32_t date = bars[first + i].date;
      if (key(date) == key(bars[first + i - 1].date)) continue;
      marks.push_back({i, unit == 3   ? std::to_string(date / 10000)
                          : unit == 0 ? DateLabel(date, spansYears)
                                      : MonthLabel(date, spansYears)});
    }
    if (marks.size() <= maxMarks) break;
  }
  // Within a day or two of intraday bars, marks at round times of day instead.
  if (intraday && marks.size() < 3) {
    marks.clear();
    const size_t every = std::max<size_t>(count / maxMarks, 1);
    for (size_t i = every; i < count; i += every) {
      const Bar& b = bars[first + i];
      const bool newDate = b.date != bars[first + i - every].date;
      marks.push_back({i, newDate ? DateLabel(b.date, spansYears) + " " + TimeLabel(b.time)
                                  : TimeLabel(b.time)});
    }
  }
  return marks;
}

}  // namespace zebi
