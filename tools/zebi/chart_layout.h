#pragma once

#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

namespace zebi {

// Every pixel measure of a chart, in one place.
namespace chart_px {
constexpr double kWidth = 1200;
constexpr double kLeft = 72;  // room for the value labels
constexpr double kRight = 16;
constexpr double kTop = 64;  // below the title and the legend
constexpr double kBottom = 28;
constexpr double kGap = 24;  // between the price area and the pane
constexpr double kPriceHeight = 460;
constexpr double kVolumeShare = 0.18;  // of the price area, at its bottom
constexpr double kPaneHeight = 170;    // with lines; flags alone take a strip
constexpr double kPaneInset = 6;       // lines keep clear of the pane's frame
constexpr double kFlagRow = 8;         // one row of flag ticks
constexpr double kFlagHeight = 6;
constexpr double kProfileWidth = 150;
constexpr double kProfileGap = 6;  // between the plot and the profile
constexpr double kProfilePad = 10;
constexpr double kWindowLabelWidth = 90;  // "profile window" at the font size used
constexpr double kLabelPad = 3;           // text inside a shaded area, from its edge
constexpr double kTickGap = 4;            // value labels left of the frame
constexpr double kBaseline = 4;           // text baseline below the point it labels
constexpr double kTimeLabelDrop = 14;     // time labels below the lowest frame
constexpr double kVolumeTick = 6;
constexpr double kTitleY = 20;
constexpr double kSubtitleY = 38;
constexpr double kTitleCharWidth = 11;  // of the bold keyword
constexpr double kTitleGap = 16;
constexpr double kLegendY = 51;  // middle of the legend's symbols
constexpr double kLegendTextY = 56;
constexpr double kLegendSymbol = 14;  // width of a legend symbol
constexpr double kLegendTextX = 18;   // text after the symbol
constexpr double kLegendEntry = 28;   // an entry's width without its name
constexpr double kLegendCharWidth = 6.5;
constexpr double kMarkRadius = 5;
constexpr double kEdgeMarkFirst = 10;  // first off-scale mark below the top edge
constexpr double kEdgeMarkLast = 4;    // last one above the volume area
constexpr double kEdgeMarkRow = 13;
constexpr double kEdgeMarkSize = 8;
constexpr double kFontSize = 11;
constexpr double kTitleFontSize = 15;
constexpr double kSmallFontSize = 10;
constexpr double kShadeLabelY = 12;   // label baseline below the top of a shaded area
constexpr double kGridLabelPad = 2;   // time and volume labels beside their gridline
constexpr double kLegendBand = 10;    // height of a band's legend symbol
constexpr double kMarkBar = 3;        // thickness of the bar-shaped mark
constexpr double kCandleShare = 0.6;  // of the bar step
constexpr double kVolumeBarShare = 0.7;
constexpr double kMinBarWidth = 0.5;
constexpr double kMinCandleBody = 0.8;
constexpr double kMinBandHeight = 1;
constexpr double kMinProfileBin = 0.5;
}  // namespace chart_px

// A price output counts as published when it is a finite non-zero number:
// indicators read 0 until they have computed a level.
inline bool Published(double v) {
  return std::isfinite(v) && v != 0.0;
}

// The values an axis spans, low to high.
struct ValueRange {
  double low = 0, high = 1;
};

// Maps values to heights: `range.high` at `top`, `range.low` at `top + height`.
struct Scale {
  ValueRange range;
  double top = 0, height = 0;
  double Y(double value) const {
    return top + (range.high - value) / (range.high - range.low) * height;
  }
};

// Bars side by side from `left`, `step` apart.
struct BarAxis {
  double left = chart_px::kLeft, step = 1;
  double Center(size_t bar) const { return left + (static_cast<double>(bar) + 0.5) * step; }
  double Start(size_t bar) const { return Center(bar) - step / 2; }
};

// A horizontal extent.
struct Span {
  double left = 0, width = 0;
};

// What decides where the parts of a chart go.
struct LayoutInput {
  size_t bars = 0;
  bool hasProfile = false;
  bool hasLines = false;          // pane lines
  size_t flagRows = 0;            // pane flags, one row each
  ValueRange candles;             // lowest low and highest high of the bars shown
  std::vector<double> overlays;   // values drawn over the candles
  std::vector<double> paneLines;  // values of the pane's lines
};

// Where the parts of a chart go.
struct ChartLayout {
  double width = chart_px::kWidth, height = 0;
  double plotWidth = 0;
  BarAxis axis;
  Scale price;  // the candles, above the volume
  bool hasPane = false;
  double paneTop = 0, paneHeight = 0;
  Scale pane;
  double Bottom() const;  // of the lowest frame
};

ChartLayout Layout(const LayoutInput& input);

// The candles' range widened by overlays within half that range of them, and padded.
ValueRange PriceRange(ValueRange candles, const std::vector<double>& overlays);

// Every finite pane value; a range of 2 around a flat line.
ValueRange PaneRange(const std::vector<double>& values);

// Ticks of a scale with the step between them (for their labels).
struct Ticks {
  std::vector<double> values;
  double step = 1;
};
Ticks ScaleTicks(ValueRange range, int count);

// The volume scale of the price area for bars up to `largest`.
Scale VolumeScale(double largest);

// The shaded warm-up of the `count` bars shown from bar `first`, when any.
std::optional<Span> WarmupSpan(const BarAxis& axis, size_t warmupBars, size_t first, size_t count);

// The shaded window a profile was built from, `nearEnd` to `farEnd` bars back
// from the newest of `count` bars, with its label inside when it fits and
// just left of it otherwise.
struct WindowShade {
  Span span;
  bool labelInside = true;
  double labelX = 0;
};
std::optional<WindowShade> ProfileWindow(const BarAxis& axis, size_t count, double nearEnd,
                                         double farEnd);

// Legend entries left to right; those past the right edge give way to "...".
struct LegendPlacement {
  std::vector<double> x;  // of each entry that fits
  bool truncated = false;
  double ellipsisX = 0;
};
LegendPlacement PlaceLegend(const std::vector<size_t>& nameLengths);

// Marks at the top or bottom edge of the candles for values off the price
// scale, stacked a row apart on each edge.
struct EdgeMark {
  size_t index = 0;  // of the value
  bool above = false;
  double x = 0, y = 0;  // the tip side of the arrow; the label ends left of it
};
std::vector<EdgeMark> PlaceEdgeMarks(const std::vector<double>& values, const ChartLayout& layout);

// The price range of each of `bins` profile bins from `low` to `high`: bin b
// holds the prices from low + (b - 1) * size up to one size higher.
std::vector<ValueRange> ProfileBins(size_t bins, double low, double high);

}  // namespace zebi
