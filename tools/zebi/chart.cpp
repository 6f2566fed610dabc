#include "chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "chart_axes.h"
#include "chart_layout.h"
#include "chart_profile.h"
#include "chart_series.h"
#include "chart_style.h"
#include "format_number.h"
#include "svg_writer.h"

namespace zebi {
namespace {

using zeb::OutputRole;
using namespace chart_px;

class Chart {
 public:
  Chart(const zeb::IndicatorInfo& info, const std::vector<Bar>& bars, const Replay& replay,
        const std::vector<ParameterSetting>& settings, const ChartOptions& options)
      : info_(info), bars_(bars), replay_(replay), settings_(settings), options_(options) {
    count_ = std::min(options.lastBars == 0 ? bars.size() : options.lastBars, bars.size());
    first_ = bars.size() - count_;
    chosen_ = ChooseSeries(bars, replay, first_, count_);
    profile_ = ReadProfile(info, replay, settings);
    layout_ = Layout(MakeLayoutInput());
  }

  void Write(std::ostream& out) const {
    SvgWriter svg(out);
    svg.Begin(kWidth, layout_.height,
              SvgStyle().Set("font-family", "sans-serif").Set("font-size", kFontSize));
    svg.Rect(0, 0, kWidth, layout_.height, SvgStyle().Fill(colour::kPage));
    ClipPaths(svg);
    Title(svg);
    Legend(svg);
    if (count_ > 0) Plots(svg);
    svg.End();
  }

 private:
  double Value(size_t i, size_t column) const { return replay_.Value(first_ + i, column); }
  double X(size_t i) const { return layout_.axis.Center(i); }
  double Step() const { return layout_.axis.step; }
  double Right() const { return kLeft + layout_.plotWidth; }

  LayoutInput MakeLayoutInput() const {
    LayoutInput input;
    input.bars = count_;
    input.hasProfile = !profile_.bins.empty();
    input.hasLines = chosen_.hasLines;
    input.flagRows = chosen_.flagRows;
    input.candles = chosen_.candles;
    for (const Series& s : chosen_.series) {
      if (s.role == OutputRole::Flag) continue;
      auto& values = s.role == OutputRole::Line ? input.paneLines : input.overlays;
      for (size_t i = 0; i < count_; ++i) values.push_back(Value(i, s.column));
    }
    if (input.hasProfile) {
      input.overlays.push_back(profile_.low);  // the profile's prices widen the scale too
      input.overlays.push_back(profile_.high);
    }
    return input;
  }

  void ClipPaths(SvgWriter& svg) const {
    svg.BeginDefs();
    svg.ClipRect("price", kLeft, kTop, layout_.plotWidth, kPriceHeight);
    svg.ClipRect("candles", kLeft, kTop, layout_.plotWidth, layout_.price.height);
    svg.ClipRect("pane", kLeft, layout_.paneTop, layout_.plotWidth, layout_.paneHeight);
    svg.EndDefs();
  }

  void Plots(SvgWriter& svg) const {
    Window(svg);
    Warmup(svg);
    Frames(svg);
    DayLines(svg);
    Volume(svg);
    Candles(svg);
    svg.BeginGroup(SvgStyle().Set("clip-path", "url(#candles)"));
    Bands(svg);
    Levels(svg);
    Markers(svg);
    svg.EndGroup();
    LevelsOffScale(svg);
    Profile(svg);
    if (layout_.hasPane) Pane(svg);
  }

  void Title(SvgWriter& svg) const {
    std::string parameters;
    for (const ParameterSetting& s : settings_) parameters += "  " + Describe(info_, s);
    const double keywordWidth = kTitleCharWidth * static_cast<double>(std::strlen(info_.keyword));
    svg.Text(kLeft, kTitleY, info_.keyword,
             SvgStyle().Set("font-size", kTitleFontSize).Set("font-weight", "bold"));
    svg.Text(kLeft + kTitleGap + keywordWidth, kTitleY, info_.summary, SvgStyle());
    const size_t total = options_.totalBars ? options_.totalBars : bars_.size();
    svg.Text(kLeft, kSubtitleY,
             "last " + std::to_string(count_) + " of " + std::to_string(total) + " bars" +
                 (parameters.empty() ? "" : ";" + parameters),
             SvgStyle().Fill(colour::kMuted));
  }

  // The legend's entries with their names: a band pair as one entry, a band
  // without its other edge (not drawn) as none.
  std::vector<std::pair<const Series*, std::string>> LegendEntries() const {
    std::vector<std::pair<const Series*, std::string>> entries;
    for (size_t i = 0; i < chosen_.series.size(); ++i) {
      const Series& s = chosen_.series[i];
      if (s.role == OutputRole::BandHigh) continue;  // drawn with its band low
      std::string name = replay_.columns[s.column].name;
      if (s.role == OutputRole::BandLow) {
        const Series* high = BandHighOf(chosen_.series, i);
        if (!high) continue;
        name += "/" + replay_.columns[high->column].name;
      }
      entries.emplace_back(&s, name);
    }
    return entries;
  }

  // One entry per drawn series, each drawn as it appears in the chart: a band
  // pair as one band, markers in their shape, lines and levels as strokes.
  void Legend(SvgWriter& svg) const {
    const auto entries = LegendEntries();
    std::vector<size_t> lengths;
    lengths.reserve(entries.size());
    for (const auto& entry : entries) lengths.push_back(entry.second.size());
    const LegendPlacement placement = PlaceLegend(lengths);
    size_t shape = 0;
    for (size_t i = 0; i < placement.x.size(); ++i) {
      svg.BeginGroup(SvgStyle().Class("legend"));
      LegendSymbol(svg, *entries[i].first, placement.x[i], shape);
      svg.Text(placement.x[i] + kLegendTextX, kLegendTextY, entries[i].second, SvgStyle());
      svg.EndGroup();
    }
    if (placement.truncated) svg.Text(placement.ellipsisX, kLegendTextY, "...", SvgStyle());
  }

  static void LegendSymbol(SvgWriter& svg, const Series& s, double x, size_t& shape) {
    switch (s.role) {
      case OutputRole::BandLow:
        svg.Rect(x, kLegendY - kLegendBand / 2, kLegendSymbol, kLegendBand, BandStyle(s.color));
        break;
      case OutputRole::Marker:
        Mark(svg, shape++, x + kLegendSymbol / 2, kLegendY, s.color);
        break;
      case OutputRole::Flag:
        svg.Rect(x + 2, kLegendY - kFlagHeight / 2, kLegendSymbol - 4, kFlagHeight,
                 SvgStyle().Fill(s.color));
        break;
      default:  // levels and lines
        svg.Line(x, kLegendY, x + kLegendSymbol, kLegendY,
                 SvgStyle().Stroke(s.color).Set("stroke-width", "2"));
        break;
    }
  }

  // A light background behind the bars the profile covers.
  void Window(SvgWriter& svg) const {
    if (profile_.bins.empty()) return;
    const auto shade = ProfileWindow(layout_.axis, count_, profile_.nearEnd, profile_.farEnd);
    if (!shade) return;
    svg.Rect(shade->span.left, kTop, shade->span.width, kPriceHeight,
             SvgStyle().Fill(colour::kWindow));
    svg.Text(shade->labelX, kTop + kShadeLabelY, "profile window",
             SvgStyle()
                 .Class("window-label")
                 .Set("text-anchor", shade->labelInside ? "start" : "end")
                 .Fill(colour::kWindowText));
  }

  // A grey background behind the bars whose outputs do not mean anything yet.
  void Warmup(SvgWriter& svg) const {
    const auto span = WarmupSpan(layout_.axis, options_.warmupBars, first_, count_);
    if (!span) return;
    const double bottom = layout_.Bottom();
    svg.Rect(span->left, kTop, span->width, bottom - kTop,
             SvgStyle().Class("warmup").Fill(colour::kWarmup));
    svg.Text(span->left + kLabelPad, bottom - kBaseline, "warm-up",
             SvgStyle().Fill(colour::kWarmupText));
  }

  // A gridline across the plot at height y with its value label on the left.
  void GridLine(SvgWriter& svg, double y, const std::string& label, const SvgStyle& style) const {
    svg.Line(kLeft, y, Right(), y, style);
    svg.Text(kLeft - kTickGap, y + kBaseline, label, RightAligned());
  }

  void Frames(SvgWriter& svg) const {
    svg.Rect(kLeft, kTop, layout_.plotWidth, kPriceHeight, FrameStyle());
    const Ticks ticks = ScaleTicks(layout_.price.range, 6);
    for (double p : ticks.values) {
      GridLine(svg, layout_.price.Y(p), TickLabel(p, ticks.step),
               SvgStyle().Class("price-tick").Stroke(colour::kGrid));
    }
  }

  // Faint lines and labels at day, month or year starts, about twelve at most.
  void DayLines(SvgWriter& svg) const {
    const double bottom = layout_.Bottom();
    for (const TimeMark& mark : TimeMarks(bars_, first_, count_, 12)) {
      const double x = layout_.axis.Start(mark.bar);
      svg.Line(x, kTop, x, bottom, SvgStyle().Class("time-grid").Stroke(colour::kTimeGrid));
      svg.Text(x + kGridLabelPad, bottom + kTimeLabelDrop, mark.label,
               SvgStyle().Fill(colour::kMuted));
    }
  }

  double BarVolume(size_t i) const {
    const Bar& b = bars_[first_ + i];
    return std::fabs(b.volume1 + b.volume2);
  }

  void Volume(SvgWriter& svg) const {
    double largest = 0;
    for (size_t i = 0; i < count_; ++i) largest = std::max(largest, BarVolume(i));
    if (!(largest > 0)) return;
    const Scale scale = VolumeScale(largest);
    const double base = scale.Y(0);
    const double width = std::max(Step() * kVolumeBarShare, kMinBarWidth);
    svg.BeginGroup(SvgStyle().Fill(colour::kVolume).Set("opacity", "0.6"));
    for (size_t i = 0; i < count_; ++i) {
      const double y = scale.Y(BarVolume(i));
      svg.Rect(X(i) - width / 2, y, width, base - y, SvgStyle());
    }
    svg.EndGroup();
    // The scale: round volumes at the right edge of the volume area.
    const Ticks ticks = ScaleTicks(scale.range, 2);
    const double step = ticks.values.size() > 1 ? ticks.step : largest;
    for (double v : ticks.values) {
      if (v <= 0) continue;
      const double y = scale.Y(v);
      svg.Line(Right() - kVolumeTick, y, Right(), y,
               SvgStyle().Class("volume-tick").Stroke(colour::kVolumeTick));
      svg.Text(Right() - kVolumeTick - kGridLabelPad, y + kBaseline, "vol " + TickLabel(v, step),
               RightAligned().Fill(colour::kVolumeText).Set("font-size", kSmallFontSize));
    }
  }

  void Candles(SvgWriter& svg) const {
    const double width = std::max(Step() * kCandleShare, kMinBarWidth);
    const Scale& price = layout_.price;
    svg.BeginGroup(SvgStyle().Set("clip-path", "url(#price)"));
    for (size_t i = 0; i < count_; ++i) {
      const Bar& b = bars_[first_ + i];
      const char* color = b.close >= b.open ? colour::kUp : colour::kDown;
      const double top = price.Y(std::max(b.open, b.close));
      const double body = std::max(price.Y(std::min(b.open, b.close)) - top, kMinCandleBody);
      svg.Line(X(i), price.Y(b.high), X(i), price.Y(b.low), SvgStyle().Stroke(color));
      svg.Rect(X(i) - width / 2, top, width, body, SvgStyle().Fill(color));
    }
    svg.EndGroup();
  }

  // Each band low with the next band high: one shaded rectangle per run of
  // bars over which both edges stay the same.
  void Bands(SvgWriter& svg) const {
    for (size_t s = 0; s < chosen_.series.size(); ++s) {
      if (chosen_.series[s].role != OutputRole::BandLow) continue;
      if (const Series* high = BandHighOf(chosen_.series, s)) Band(svg, chosen_.series[s], *high);
    }
  }

  void Band(SvgWriter& svg, const Series& low, const Series& high) const {
    size_t i = 0;
    while (i < count_) {
      const double lo = Value(i, low.column), hi = Value(i, high.column);
      size_t end = i + 1;
      while (end < count_ && Value(end, low.column) == lo && Value(end, high.column) == hi) ++end;
      if (Published(lo) && Published(hi)) {
        const double top = layout_.price.Y(std::max(lo, hi));
        const double bottom = layout_.price.Y(std::min(lo, hi));
        svg.Rect(layout_.axis.Start(i), top, Step() * static_cast<double>(end - i),
                 std::max(bottom - top, kMinBandHeight), BandStyle(low.color));
      }
      i = end;
    }
  }

  // Levels as steps: horizontal across each bar, a jump at the bar where the
  // level changes, a gap where it is not published.
  void Levels(SvgWriter& svg) const {
    for (const Series& s : chosen_.series) {
      if (s.role != OutputRole::Level) continue;
      SvgPath path;
      bool open = false;
      for (size_t i = 0; i < count_; ++i) {
        const double v = Value(i, s.column);
        if (!Published(v)) {
          open = false;
          continue;
        }
        const double x0 = layout_.axis.Start(i);
        if (open) {
          path.Vertical(layout_.price.Y(v));
        } else {
          path.MoveTo(x0, layout_.price.Y(v));
        }
        path.Horizontal(x0 + Step());
        open = true;
      }
      if (!path.Empty()) svg.Path(path, StrokeStyle(s.color, "1.3"));
    }
  }

  // Event prices: a mark at each bar where the value changes to a published
  // price. Every marker output gets its own shape.
  void Markers(SvgWriter& svg) const {
    size_t shape = 0;
    for (const Series& s : chosen_.series) {
      if (s.role != OutputRole::Marker) continue;
      for (size_t i = 0; i < count_; ++i) {
        const double v = Value(i, s.column);
        const double before = first_ + i == 0 ? 0.0 : replay_.Value(first_ + i - 1, s.column);
        if (Published(v) && v != before) Mark(svg, shape, X(i), layout_.price.Y(v), s.color);
      }
      ++shape;
    }
  }

  // Levels whose newest value lies off the price scale: a mark at the top or
  // bottom edge with the level's name and value, instead of a line drawn
  // across the volume bars.
  void LevelsOffScale(SvgWriter& svg) const {
    std::vector<const Series*> levels;
    std::vector<double> newest;
    for (const Series& s : chosen_.series) {
      if (s.role != OutputRole::Level) continue;
      levels.push_back(&s);
      newest.push_back(Value(count_ - 1, s.column));
    }
    for (const EdgeMark& mark : PlaceEdgeMarks(newest, layout_)) {
      const Series& s = *levels[mark.index];
      const double tip = mark.above ? mark.y - kEdgeMarkSize : mark.y;
      const double base = mark.above ? mark.y : mark.y - kEdgeMarkSize;
      const double half = kEdgeMarkSize / 2;
      svg.BeginGroup(SvgStyle().Class("off-scale"));
      svg.Path(SvgPath()
                   .MoveTo(mark.x, tip)
                   .LineTo(mark.x + half, base)
                   .LineTo(mark.x - half, base)
                   .Close(),
               SvgStyle().Fill(s.color));
      svg.Text(mark.x - kEdgeMarkSize, mark.y,
               replay_.columns[s.column].name + " " + FormatReadable(newest[mark.index], 6) +
                   (mark.above ? " above" : " below"),
               RightAligned().Fill(s.color));
      svg.EndGroup();
    }
  }

  // The profile sideways at the right edge, one bar per bin at that bin's
  // prices; node peaks in a stronger colour, node bounds as dashed lines.
  void Profile(SvgWriter& svg) const {
    if (profile_.bins.empty()) return;
    const double left = Right() + kProfileGap;
    double largest = 0;
    for (double v : profile_.bins) {
      if (std::isfinite(v)) largest = std::max(largest, v);
    }
    const std::vector<ValueRange> bins =
        ProfileBins(profile_.bins.size(), profile_.low, profile_.high);
    svg.BeginGroup(SvgStyle());
    svg.Text(left, kTop - kBaseline, "profile", SvgStyle().Fill(colour::kMuted));
    for (size_t b = 0; b < bins.size(); ++b) ProfileBin(svg, b, bins[b], left, largest);
    svg.EndGroup();
  }

  void ProfileBin(SvgWriter& svg, size_t b, ValueRange prices, double left, double largest) const {
    const double width = kProfileWidth - kProfilePad;
    const double value = profile_.bins[b];
    const double top = layout_.price.Y(prices.high);
    const double bottom = layout_.price.Y(prices.low);
    if (largest > 0 && std::isfinite(value) && value > 0) {
      const bool peak = profile_.marks[b] == 2.0;
      svg.Rect(left, top, value / largest * width, std::max(bottom - top, kMinProfileBin),
               SvgStyle()
                   .Fill(peak ? colour::kProfilePeak : colour::kProfileBin)
                   .Set("opacity", "0.75"));
    }
    if (profile_.marks[b] == 1.0) {
      svg.Line(kLeft, bottom, left + width, bottom,
               SvgStyle()
                   .Stroke(colour::kProfileBin)
                   .Set("stroke-dasharray", "4 3")
                   .Set("stroke-opacity", "0.5"));
    }
  }

  void Pane(SvgWriter& svg) const {
    svg.Rect(kLeft, layout_.paneTop, layout_.plotWidth, layout_.paneHeight, FrameStyle());
    const Ticks ticks = chosen_.hasLines ? ScaleTicks(layout_.pane.range, 4) : Ticks();
    for (double v : ticks.values) {
      const SvgStyle style =
          v == 0.0
              ? SvgStyle().Class("zero-line").Stroke(colour::kZero).Set("stroke-dasharray", "3 3")
              : SvgStyle().Class("pane-tick").Stroke(colour::kGrid);
      GridLine(svg, layout_.pane.Y(v), TickLabel(v, ticks.step), style);
    }
    svg.BeginGroup(SvgStyle().Set("clip-path", "url(#pane)"));
    size_t flagRow = 0;
    for (const Series& s : chosen_.series) {
      if (s.role == OutputRole::Line) PaneLine(svg, s);
      if (s.role == OutputRole::Flag) PaneFlags(svg, s, flagRow++);
    }
    svg.EndGroup();
  }

  // A line through the finite values, broken where they are not.
  void PaneLine(SvgWriter& svg, const Series& s) const {
    std::vector<std::pair<double, double>> points;
    const SvgStyle style = StrokeStyle(s.color, "1.2");
    for (size_t i = 0; i <= count_; ++i) {
      const double v = i < count_ ? Value(i, s.column) : std::nan("");
      if (std::isfinite(v)) {
        points.emplace_back(X(i), layout_.pane.Y(v));
      } else if (!points.empty()) {
        svg.Polyline(points, style);
        points.clear();
      }
    }
  }

  // A row of ticks along the bottom of the pane on the bars where the flag is set.
  void PaneFlags(SvgWriter& svg, const Series& s, size_t row) const {
    const double y = layout_.paneTop + layout_.paneHeight - kFlagRow * static_cast<double>(row + 1);
    for (size_t i = 0; i < count_; ++i) {
      const double v = Value(i, s.column);
      if (!std::isfinite(v) || v == 0.0) continue;
      svg.Rect(layout_.axis.Start(i), y, std::max(Step(), 1.0), kFlagHeight,
               SvgStyle().Fill(s.color));
    }
  }

  const zeb::IndicatorInfo& info_;
  const std::vector<Bar>& bars_;
  const Replay& replay_;
  const std::vector<ParameterSetting>& settings_;
  ChartOptions options_;
  size_t first_ = 0, count_ = 0;
  SeriesChoice chosen_;
  ProfileSnapshot profile_;
  ChartLayout layout_;
};

}  // namespace

void WriteChart(std::ostream& out, const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                const Replay& replay, const std::vector<ParameterSetting>& settings,
                const ChartOptions& options) {
  Chart(info, bars, replay, settings, options).Write(out);
}

}  // namespace zebi
