#include "chart_layout.h"

#include <algorithm>
#include <cmath>

#include "chart_axes.h"

namespace zebi {

using namespace chart_px;

namespace {

constexpr double kCandleHeight = kPriceHeight * (1 - kVolumeShare);

}  // namespace

double ChartLayout::Bottom() const {
  return hasPane ? paneTop + paneHeight : kTop + kPriceHeight;
}

ValueRange PriceRange(ValueRange candles, const std::vector<double>& overlays) {
  ValueRange out = candles;
  const double range = std::max(candles.high - candles.low, 1e-9);
  for (double v : overlays) {
    if (!Published(v) || v < candles.low - range / 2 || v > candles.high + range / 2) continue;
    out.low = std::min(out.low, v);
    out.high = std::max(out.high, v);
  }
  const double pad = std::max((out.high - out.low) * 0.03, 1e-6);
  return {out.low - pad, out.high + pad};
}

ValueRange PaneRange(const std::vector<double>& values) {
  ValueRange out{HUGE_VAL, -HUGE_VAL};
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    out.low = std::min(out.low, v);
    out.high = std::max(out.high, v);
  }
  if (out.low > out.high) out = {0, 0};
  if (out.high - out.low < 1e-12) out = {out.low - 1, out.high + 1};
  return out;
}

ChartLayout Layout(const LayoutInput& input) {
  ChartLayout layout;
  layout.plotWidth = kWidth - kLeft - kRight - (input.hasProfile ? kProfileWidth : 0);
  layout.axis.step = input.bars ? layout.plotWidth / static_cast<double>(input.bars) : 1;
  layout.hasPane = input.hasLines || input.flagRows > 0;
  layout.paneTop = kTop + kPriceHeight + kGap;
  const double flagRows = kFlagRow * static_cast<double>(input.flagRows);
  layout.paneHeight = input.hasLines ? kPaneHeight : kFlagRow + flagRows;
  layout.height = layout.paneTop + (layout.hasPane ? layout.paneHeight + kGap : 0) + kBottom - kGap;
  layout.price = {PriceRange(input.candles, input.overlays), kTop, kCandleHeight};
  layout.pane = {PaneRange(input.paneLines), layout.paneTop + kPaneInset,
                 layout.paneHeight - 2 * kPaneInset - flagRows};
  return layout;
}

Ticks ScaleTicks(ValueRange range, int count) {
  Ticks ticks;
  ticks.values = RoundTicks(range.low, range.high, count);
  if (ticks.values.size() > 1) ticks.step = ticks.values[1] - ticks.values[0];
  return ticks;
}

Scale VolumeScale(double largest) {
  return {{0, largest}, kTop + kCandleHeight, kPriceHeight * kVolumeShare};
}

std::optional<Span> WarmupSpan(const BarAxis& axis, size_t warmupBars, size_t first, size_t count) {
  if (warmupBars <= first || count == 0) return std::nullopt;
  const size_t end = std::min(warmupBars - first, count);
  return Span{axis.left, axis.step * static_cast<double>(end)};
}

std::optional<WindowShade> ProfileWindow(const BarAxis& axis, size_t count, double nearEnd,
                                         double farEnd) {
  if (count == 0 || nearEnd < 0) return std::nullopt;
  const double last = static_cast<double>(count - 1);
  if (nearEnd > last) return std::nullopt;  // the window lies before the bars shown
  const size_t first = static_cast<size_t>(last - std::min(farEnd, last));
  const size_t end = static_cast<size_t>(last - nearEnd);
  WindowShade shade;
  shade.span = {axis.Start(first), axis.step * static_cast<double>(end - first + 1)};
  // Never over the profile at the right edge.
  shade.labelInside = shade.span.width >= kWindowLabelWidth;
  shade.labelX = shade.labelInside ? shade.span.left + kLabelPad : shade.span.left - kLabelPad;
  return shade;
}

LegendPlacement PlaceLegend(const std::vector<size_t>& nameLengths) {
  LegendPlacement placement;
  double x = kLeft;
  for (size_t length : nameLengths) {
    const double width = kLegendEntry + kLegendCharWidth * static_cast<double>(length);
    if (x + width > kWidth - kRight) {
      placement.truncated = true;
      placement.ellipsisX = x;
      break;
    }
    placement.x.push_back(x);
    x += width;
  }
  return placement;
}

std::vector<EdgeMark> PlaceEdgeMarks(const std::vector<double>& values, const ChartLayout& layout) {
  std::vector<EdgeMark> marks;
  double offset[2] = {0, 0};  // above, below
  const ValueRange& range = layout.price.range;
  for (size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    if (!Published(v) || (v >= range.low && v <= range.high)) continue;
    const bool above = v > range.high;
    const double y = above ? kTop + kEdgeMarkFirst + offset[0]
                           : kTop + kCandleHeight - kEdgeMarkLast - offset[1];
    offset[above ? 0 : 1] += kEdgeMarkRow;
    marks.push_back({i, above, layout.axis.left + layout.plotWidth - kEdgeMarkSize / 2, y});
  }
  return marks;
}

std::vector<ValueRange> ProfileBins(size_t bins, double low, double high) {
  std::vector<ValueRange> out;
  const double size = bins > 1 && high > low ? (high - low) / static_cast<double>(bins - 1)
                                             : std::max(high - low, 1e-9);
  for (size_t b = 0; b < bins; ++b) {
    const double from = bins > 1 ? low + (static_cast<double>(b) - 1) * size : low;
    out.push_back({from, from + size});
  }
  return out;
}

}  // namespace zebi
