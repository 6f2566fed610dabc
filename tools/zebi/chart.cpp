#include "chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "chart_axes.h"
#include "chart_profile.h"
#include "format_number.h"
#include "svg_text.h"

namespace zebi {
namespace {

using zeb::OutputRole;

const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};
constexpr size_t kPaletteSize = sizeof(kPalette) / sizeof(kPalette[0]);

constexpr double kWidth = 1200;
constexpr double kLeft = 72;
constexpr double kRight = 16;
constexpr double kProfileWidth = 150;
constexpr double kTop = 64;
constexpr double kPriceHeight = 460;
constexpr double kVolumeShare = 0.18;  // of the price area, at its bottom
constexpr double kGap = 24;
constexpr double kPaneHeight = 170;  // with lines; flags alone take a strip
constexpr double kBottom = 28;
constexpr double kWindowLabelWidth = 90;  // "profile window" at the font size used

// A price output counts as published when it is a finite non-zero number:
// indicators read 0 until they have computed a level.
bool Published(double v) {
  return std::isfinite(v) && v != 0.0;
}

struct Series {
  size_t column;
  OutputRole role;
  const char* color;
};

class Chart {
 public:
  Chart(const zeb::IndicatorInfo& info, const std::vector<Bar>& bars, const Replay& replay,
        const std::vector<ParameterSetting>& settings, const ChartOptions& options)
      : info_(info), bars_(bars), replay_(replay), settings_(settings), options_(options) {
    count_ = std::min(options.lastBars == 0 ? bars.size() : options.lastBars, bars.size());
    first_ = bars.size() - count_;
    ClassifyColumns();
    profile_ = ReadProfile(info, replay, settings);
    Layout();
  }

  void Write(std::ostream& out) {
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Px(kWidth) << "\" height=\""
        << Px(height_) << "\" viewBox=\"0 0 " << Px(kWidth) << " " << Px(height_)
        << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
        << "<defs><clipPath id=\"price\"><rect x=\"" << Px(kLeft) << "\" y=\"" << Px(kTop)
        << "\" width=\"" << Px(plotWidth_) << "\" height=\"" << Px(kPriceHeight)
        << "\"/></clipPath><clipPath id=\"candles\"><rect x=\"" << Px(kLeft) << "\" y=\""
        << Px(kTop) << "\" width=\"" << Px(plotWidth_) << "\" height=\""
        << Px(kPriceHeight * (1 - kVolumeShare))
        << "\"/></clipPath><clipPath id=\"pane\"><rect x=\"" << Px(kLeft) << "\" y=\""
        << Px(paneTop_) << "\" width=\"" << Px(plotWidth_) << "\" height=\"" << Px(paneHeight_)
        << "\"/></clipPath></defs>\n";
    Title(out);
    if (count_ == 0) {
      out << "</svg>\n";
      return;
    }
    Window(out);
    Warmup(out);
    Frames(out);
    DayLines(out);
    Volume(out);
    Candles(out);
    out << "<g clip-path=\"url(#candles)\">\n";
    Bands(out);
    Levels(out);
    Markers(out);
    out << "</g>\n";
    LevelsOffScale(out);
    Profile(out);
    if (hasPane_) Pane(out);
    out << "</svg>\n";
  }

 private:
  double X(size_t i) const { return kLeft + (static_cast<double>(i) + 0.5) * step_; }
  double PriceY(double p) const {
    return kTop + (priceHigh_ - p) / (priceHigh_ - priceLow_) * kPriceHeight * (1 - kVolumeShare);
  }
  double PaneY(double v) const {
    const double flagRows = static_cast<double>(flagCount_) * 8;
    return paneTop_ + 6 + (paneHigh_ - v) / (paneHigh_ - paneLow_) * (paneHeight_ - 12 - flagRows);
  }
  double Value(size_t i, size_t column) const { return replay_.Value(first_ + i, column); }
  const char* NextColor() { return kPalette[colorCount_++ % kPaletteSize]; }

  // Decides how every recorded column is drawn; Auto columns go over the
  // candles when their values stay near the price range, into the pane otherwise.
  void ClassifyColumns() {
    barLow_ = HUGE_VAL;
    barHigh_ = -HUGE_VAL;
    for (size_t i = 0; i < count_; ++i) {
      barLow_ = std::min(barLow_, bars_[first_ + i].low);
      barHigh_ = std::max(barHigh_, bars_[first_ + i].high);
    }
    if (count_ == 0) barLow_ = barHigh_ = 0;
    const double range = std::max(barHigh_ - barLow_, 1e-9);
    for (size_t c = 0; c < replay_.columns.size(); ++c) {
      OutputRole role = replay_.columns[c].role;
      if (role == OutputRole::Figure) continue;
      if (role == OutputRole::WindowEnd || role == OutputRole::ProfileLow ||
          role == OutputRole::ProfileHigh) {
        continue;  // read with the profile
      }
      if (role == OutputRole::Auto) role = ResolveAuto(c, range);
      if (role == OutputRole::Auto || !Drawn(c, role)) continue;
      if (role == OutputRole::Line) hasPane_ = hasLines_ = true;
      if (role == OutputRole::Flag) {
        hasPane_ = true;
        ++flagCount_;
      }
      series_.push_back({c, role, NextColor()});
    }
  }

  // An Auto column as a level when its published values stay within `range` of
  // the candles, as a pane line otherwise; Auto when it publishes nothing.
  OutputRole ResolveAuto(size_t column, double range) const {
    bool any = false, nearPrice = true;
    for (size_t i = 0; i < count_; ++i) {
      const double v = Value(i, column);
      if (!Published(v)) continue;
      any = true;
      if (v < barLow_ - range || v > barHigh_ + range) nearPrice = false;
    }
    if (!any) return OutputRole::Auto;
    return nearPrice ? OutputRole::Level : OutputRole::Line;
  }

  // Whether a column has anything to draw in the window: outputs that stay
  // unpublished (0) are left out of the chart and its legend.
  bool Drawn(size_t column, OutputRole role) const {
    for (size_t i = 0; i < count_; ++i) {
      const double v = Value(i, column);
      if (role == OutputRole::Line ? std::isfinite(v) : Published(v)) return true;
    }
    return false;
  }

  // A light background behind the bars the profile covers.
  void Window(std::ostream& out) {
    if (profile_.bins.empty() || profile_.nearEnd < 0 || count_ == 0) return;
    const double last = static_cast<double>(count_ - 1);
    if (profile_.nearEnd > last) return;  // the window lies before the bars shown
    const size_t first = static_cast<size_t>(last - std::min(profile_.farEnd, last));
    const size_t end = static_cast<size_t>(last - profile_.nearEnd);
    const double left = X(first) - step_ / 2;
    const double width = step_ * static_cast<double>(end - first + 1);
    // The label inside the window when it fits, else just left of it: never
    // over the profile at the right edge.
    const bool inside = width >= kWindowLabelWidth;
    out << "<rect x=\"" << Px(left) << "\" y=\"" << Px(kTop) << "\" width=\"" << Px(width)
        << "\" height=\"" << Px(kPriceHeight)
        << "\" fill=\"#fdf0d5\"/>\n<text class=\"window-label\" x=\""
        << Px(inside ? left + 3 : left - 3) << "\" y=\"" << Px(kTop + 12) << "\" text-anchor=\""
        << (inside ? "start" : "end") << "\" fill=\"#a0772b\">profile window</text>\n";
  }

  // A grey background behind the bars whose outputs do not mean anything yet.
  void Warmup(std::ostream& out) {
    if (options_.warmupBars <= first_) return;
    const size_t end = std::min(options_.warmupBars - first_, count_);
    const double bottom = hasPane_ ? paneTop_ + paneHeight_ : kTop + kPriceHeight;
    out << "<rect class=\"warmup\" x=\"" << Px(kLeft) << "\" y=\"" << Px(kTop) << "\" width=\""
        << Px(step_ * static_cast<double>(end)) << "\" height=\"" << Px(bottom - kTop)
        << "\" fill=\"#e8e8e8\"/>\n<text x=\"" << Px(kLeft + 3) << "\" y=\"" << Px(bottom - 4)
        << "\" fill=\"#777\">warm-up</text>\n";
  }

  void Layout() {
    plotWidth_ = kWidth - kLeft - kRight - (profile_.bins.empty() ? 0 : kProfileWidth);
    step_ = count_ ? plotWidth_ / static_cast<double>(count_) : 1;
    paneTop_ = kTop + kPriceHeight + kGap;
    paneHeight_ = hasLines_ ? kPaneHeight : 8 + 8 * static_cast<double>(flagCount_);
    height_ = paneTop_ + (hasPane_ ? paneHeight_ + kGap : 0) + kBottom - kGap;
    // Price scale: the candles, widened for overlays that lie close to them.
    priceLow_ = barLow_;
    priceHigh_ = barHigh_;
    const double range = std::max(barHigh_ - barLow_, 1e-9);
    auto include = [&](double v) {
      if (!Published(v) || v < barLow_ - range / 2 || v > barHigh_ + range / 2) return;
      priceLow_ = std::min(priceLow_, v);
      priceHigh_ = std::max(priceHigh_, v);
    };
    for (const Series& s : series_) {
      if (s.role == OutputRole::Line || s.role == OutputRole::Flag) continue;
      for (size_t i = 0; i < count_; ++i) include(Value(i, s.column));
    }
    if (!profile_.bins.empty()) {
      include(profile_.low);
      include(profile_.high);
    }
    const double pad = std::max((priceHigh_ - priceLow_) * 0.03, 1e-6);
    priceLow_ -= pad;
    priceHigh_ += pad;
    // Pane scale: every line, and zero when the lines cross it.
    paneLow_ = HUGE_VAL;
    paneHigh_ = -HUGE_VAL;
    for (const Series& s : series_) {
      if (s.role != OutputRole::Line) continue;
      for (size_t i = 0; i < count_; ++i) {
        const double v = Value(i, s.column);
        if (!std::isfinite(v)) continue;
        paneLow_ = std::min(paneLow_, v);
        paneHigh_ = std::max(paneHigh_, v);
      }
    }
    if (paneLow_ > paneHigh_) paneLow_ = paneHigh_ = 0;
    if (paneHigh_ - paneLow_ < 1e-12) {
      paneLow_ -= 1;
      paneHigh_ += 1;
    }
  }

  void Title(std::ostream& out) {
    std::string parameters;
    for (const ParameterSetting& s : settings_) parameters += "  " + Describe(info_, s);
    out << "<text x=\"" << Px(kLeft) << "\" y=\"20\" font-size=\"15\" font-weight=\"bold\">"
        << XmlEscape(info_.keyword) << "</text>\n"
        << "<text x=\"" << Px(kLeft + 16 + 11 * static_cast<double>(std::strlen(info_.keyword)))
        << "\" y=\"20\">" << XmlEscape(std::string(info_.summary)) << "</text>\n"
        << "<text x=\"" << Px(kLeft) << "\" y=\"38\" fill=\"#555\">"
        << XmlEscape("last " + std::to_string(count_) + " of " +
                     std::to_string(options_.totalBars ? options_.totalBars : bars_.size()) +
                     " bars" + (parameters.empty() ? "" : ";" + parameters))
        << "</text>\n";
    Legend(out);
  }

  // One entry per drawn series, each drawn as it appears in the chart: a band
  // pair as one band, markers in their shape, lines and levels as strokes.
  void Legend(std::ostream& out) {
    double x = kLeft;
    size_t shape = 0;
    for (size_t i = 0; i < series_.size(); ++i) {
      const Series& s = series_[i];
      if (s.role == OutputRole::BandHigh) continue;  // drawn with its band low
      std::string name = replay_.columns[s.column].name;
      if (s.role == OutputRole::BandLow) {
        const Series* high = BandHighOf(i);
        if (!high) continue;  // a band without its other edge is not drawn
        name += "/" + replay_.columns[high->column].name;
      }
      const double width = 28 + 6.5 * static_cast<double>(name.size());
      if (x + width > kWidth - kRight) {
        out << "<text x=\"" << Px(x) << "\" y=\"56\">...</text>\n";
        break;
      }
      out << "<g class=\"legend\">";
      switch (s.role) {
        case OutputRole::BandLow:
          out << "<rect x=\"" << Px(x) << "\" y=\"46\" width=\"14\" height=\"10\" fill=\""
              << s.color << "\" fill-opacity=\"0.18\" stroke=\"" << s.color
              << "\" stroke-opacity=\"0.6\"/>";
          break;
        case OutputRole::Marker:
          Mark(out, shape++, x + 7, 51, s.color);
          break;
        case OutputRole::Flag:
          out << "<rect x=\"" << Px(x + 2) << "\" y=\"48\" width=\"10\" height=\"6\" fill=\""
              << s.color << "\"/>";
          break;
        default:  // levels and lines
          out << "<line x1=\"" << Px(x) << "\" x2=\"" << Px(x + 14)
              << "\" y1=\"51\" y2=\"51\" stroke=\"" << s.color << "\" stroke-width=\"2\"/>";
          break;
      }
      out << "<text x=\"" << Px(x + 18) << "\" y=\"56\">" << XmlEscape(name) << "</text></g>\n";
      x += width;
    }
  }

  // The band high drawn with the band low at series_[low], or null.
  const Series* BandHighOf(size_t low) const {
    for (size_t h = low + 1; h < series_.size(); ++h) {
      if (series_[h].role == OutputRole::BandHigh) return &series_[h];
    }
    return nullptr;
  }

  // Levels whose newest value lies off the price scale: a mark at the top or
  // bottom edge with the level's name and value, instead of a line drawn
  // across the volume bars.
  void LevelsOffScale(std::ostream& out) {
    double offset[2] = {0, 0};
    for (const Series& s : series_) {
      if (s.role != OutputRole::Level) continue;
      const double v = Value(count_ - 1, s.column);
      if (!Published(v) || (v >= priceLow_ && v <= priceHigh_)) continue;
      const bool above = v > priceHigh_;
      const double y =
          above ? kTop + 10 + offset[0] : kTop + kPriceHeight * (1 - kVolumeShare) - 4 - offset[1];
      offset[above ? 0 : 1] += 13;
      const double x = kLeft + plotWidth_ - 4;
      out << "<g class=\"off-scale\"><path d=\"M" << Px(x) << " " << Px(y + (above ? -8 : 0))
          << " L" << Px(x + 4) << " " << Px(y + (above ? 0 : -8)) << " L" << Px(x - 4) << " "
          << Px(y + (above ? 0 : -8)) << " Z\" fill=\"" << s.color << "\"/><text x=\"" << Px(x - 8)
          << "\" y=\"" << Px(y) << "\" text-anchor=\"end\" fill=\"" << s.color << "\">"
          << XmlEscape(replay_.columns[s.column].name + " " + FormatReadable(v, 6) +
                       (above ? " above" : " below"))
          << "</text></g>\n";
    }
  }

  void Frames(std::ostream& out) {
    out << "<rect x=\"" << Px(kLeft) << "\" y=\"" << Px(kTop) << "\" width=\"" << Px(plotWidth_)
        << "\" height=\"" << Px(kPriceHeight) << "\" fill=\"none\" stroke=\"#999\"/>\n";
    const std::vector<double> ticks = RoundTicks(priceLow_, priceHigh_, 6);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
    for (double p : ticks) {
      const double y = PriceY(p);
      out << "<line class=\"price-tick\" x1=\"" << Px(kLeft) << "\" x2=\"" << Px(kLeft + plotWidth_)
          << "\" y1=\"" << Px(y) << "\" y2=\"" << Px(y) << "\" stroke=\"#eee\"/><text x=\""
          << Px(kLeft - 4) << "\" y=\"" << Px(y + 4) << "\" text-anchor=\"end\">"
          << TickLabel(p, step) << "</text>\n";
    }
  }

  // Faint lines and labels at day, month or year starts, about twelve at most.
  void DayLines(std::ostream& out) {
    const double bottom = hasPane_ ? paneTop_ + paneHeight_ : kTop + kPriceHeight;
    for (const TimeMark& mark : TimeMarks(bars_, first_, count_, 12)) {
      const double x = X(mark.bar) - step_ / 2;
      out << "<line class=\"time-grid\" x1=\"" << Px(x) << "\" x2=\"" << Px(x) << "\" y1=\""
          << Px(kTop) << "\" y2=\"" << Px(bottom) << "\" stroke=\"#e4e4e4\"/>\n<text x=\""
          << Px(x + 2) << "\" y=\"" << Px(bottom + 14) << "\" fill=\"#555\">"
          << XmlEscape(mark.label) << "</text>\n";
    }
  }

  void Volume(std::ostream& out) {
    double largest = 0;
    for (size_t i = 0; i < count_; ++i) {
      const Bar& b = bars_[first_ + i];
      largest = std::max(largest, std::fabs(b.volume1 + b.volume2));
    }
    if (!(largest > 0)) return;
    const double base = kTop + kPriceHeight;
    const double width = std::max(step_ * 0.7, 0.5);
    out << "<g fill=\"#b0b8c8\" opacity=\"0.6\">\n";
    for (size_t i = 0; i < count_; ++i) {
      const Bar& b = bars_[first_ + i];
      const double h = std::fabs(b.volume1 + b.volume2) / largest * kPriceHeight * kVolumeShare;
      out << "<rect x=\"" << Px(X(i) - width / 2) << "\" y=\"" << Px(base - h) << "\" width=\""
          << Px(width) << "\" height=\"" << Px(h) << "\"/>\n";
    }
    out << "</g>\n";
    // The scale: round volumes at the right edge of the volume area.
    const std::vector<double> ticks = RoundTicks(0, largest, 2);
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : largest;
    for (double v : ticks) {
      if (v <= 0) continue;
      const double y = base - v / largest * kPriceHeight * kVolumeShare;
      out << "<line class=\"volume-tick\" x1=\"" << Px(kLeft + plotWidth_ - 6) << "\" x2=\""
          << Px(kLeft + plotWidth_) << "\" y1=\"" << Px(y) << "\" y2=\"" << Px(y)
          << "\" stroke=\"#889\"/><text x=\"" << Px(kLeft + plotWidth_ - 8) << "\" y=\""
          << Px(y + 4) << "\" text-anchor=\"end\" fill=\"#667\" font-size=\"10\">vol "
          << TickLabel(v, step) << "</text>\n";
    }
  }

  void Candles(std::ostream& out) {
    const double width = std::max(step_ * 0.6, 0.5);
    out << "<g clip-path=\"url(#price)\">\n";
    for (size_t i = 0; i < count_; ++i) {
      const Bar& b = bars_[first_ + i];
      const char* color = b.close >= b.open ? "#26a269" : "#c01c28";
      const double top = PriceY(std::max(b.open, b.close));
      const double body = std::max(PriceY(std::min(b.open, b.close)) - top, 0.8);
      out << "<line x1=\"" << Px(X(i)) << "\" x2=\"" << Px(X(i)) << "\" y1=\"" << Px(PriceY(b.high))
          << "\" y2=\"" << Px(PriceY(b.low)) << "\" stroke=\"" << color << "\"/><rect x=\""
          << Px(X(i) - width / 2) << "\" y=\"" << Px(top) << "\" width=\"" << Px(width)
          << "\" height=\"" << Px(body) << "\" fill=\"" << color << "\"/>\n";
    }
    out << "</g>\n";
  }

  // Each band low with the next band high: one shaded rectangle per run of
  // bars over which both edges stay the same.
  void Bands(std::ostream& out) {
    for (size_t s = 0; s < series_.size(); ++s) {
      if (series_[s].role != OutputRole::BandLow) continue;
      const Series* high = BandHighOf(s);
      if (!high) continue;
      const size_t lowColumn = series_[s].column, highColumn = high->column;
      size_t i = 0;
      while (i < count_) {
        const double lo = Value(i, lowColumn), hi = Value(i, highColumn);
        size_t end = i + 1;
        while (end < count_ && Value(end, lowColumn) == lo && Value(end, highColumn) == hi) ++end;
        if (Published(lo) && Published(hi)) {
          const double top = PriceY(std::max(lo, hi));
          out << "<rect x=\"" << Px(X(i) - step_ / 2) << "\" y=\"" << Px(top) << "\" width=\""
              << Px(step_ * static_cast<double>(end - i)) << "\" height=\""
              << Px(std::max(PriceY(std::min(lo, hi)) - top, 1.0)) << "\" fill=\""
              << series_[s].color << "\" fill-opacity=\"0.18\" stroke=\"" << series_[s].color
              << "\" stroke-opacity=\"0.6\"/>\n";
        }
        i = end;
      }
    }
  }

  // Levels as steps: horizontal across each bar, a jump at the bar where the
  // level changes, a gap where it is not published.
  void Levels(std::ostream& out) {
    for (const Series& s : series_) {
      if (s.role != OutputRole::Level) continue;
      std::string path;
      bool open = false;
      for (size_t i = 0; i < count_; ++i) {
        const double v = Value(i, s.column);
        if (!Published(v)) {
          open = false;
          continue;
        }
        const double x0 = X(i) - step_ / 2;
        path += (open ? " V" : " M" + Px(x0) + " ") + Px(PriceY(v)) + " H" + Px(x0 + step_);
        open = true;
      }
      if (path.empty()) continue;
      out << "<path d=\"" << path << "\" fill=\"none\" stroke=\"" << s.color
          << "\" stroke-width=\"1.3\"/>\n";
    }
  }

  // Event prices: a mark at each bar where the value changes to a published
  // price. Every marker output gets its own shape.
  void Markers(std::ostream& out) {
    size_t shape = 0;
    for (const Series& s : series_) {
      if (s.role != OutputRole::Marker) continue;
      for (size_t i = 0; i < count_; ++i) {
        const double v = Value(i, s.column);
        const double before = first_ + i == 0 ? 0.0 : replay_.Value(first_ + i - 1, s.column);
        if (!Published(v) || v == before) continue;
        Mark(out, shape, X(i), PriceY(v), s.color);
      }
      ++shape;
    }
  }

  static void Mark(std::ostream& out, size_t shape, double x, double y, const char* color) {
    const double r = 5;
    const std::string cx = Px(x), cy = Px(y), left = Px(x - r), right = Px(x + r), top = Px(y - r),
                      bottom = Px(y + r);
    switch (shape % 6) {
      case 0:  // triangle pointing up
        out << "<path d=\"M" << cx << " " << top << " L" << right << " " << bottom << " L" << left
            << " " << bottom << " Z\"";
        break;
      case 1:  // triangle pointing down
        out << "<path d=\"M" << cx << " " << bottom << " L" << right << " " << top << " L" << left
            << " " << top << " Z\"";
        break;
      case 2:
        out << "<circle cx=\"" << cx << "\" cy=\"" << cy << "\" r=\"" << Px(r - 1) << "\"";
        break;
      case 3:
        out << "<rect x=\"" << Px(x - r + 1) << "\" y=\"" << Px(y - r + 1) << "\" width=\""
            << Px(2 * r - 2) << "\" height=\"" << Px(2 * r - 2) << "\"";
        break;
      case 4:  // diamond
        out << "<path d=\"M" << cx << " " << top << " L" << right << " " << cy << " L" << cx << " "
            << bottom << " L" << left << " " << cy << " Z\"";
        break;
      default:  // a bar across the price
        out << "<rect x=\"" << left << "\" y=\"" << Px(y - 1.5) << "\" width=\"" << Px(2 * r)
            << "\" height=\"3\"";
        break;
    }
    out << " fill=\"" << color << "\" stroke=\"#000\" stroke-width=\"0.6\"/>\n";
  }

  // The profile sideways at the right edge, one bar per bin at that bin's
  // prices; node peaks in a stronger colour, node bounds as dashed lines.
  void Profile(std::ostream& out) {
    if (profile_.bins.empty()) return;
    const double left = kLeft + plotWidth_ + 6;
    const double width = kProfileWidth - 10;
    double largest = 0;
    for (double v : profile_.bins) {
      if (std::isfinite(v)) largest = std::max(largest, v);
    }
    const size_t n = profile_.bins.size();
    const double binSize = n > 1 && profile_.high > profile_.low
                               ? (profile_.high - profile_.low) / static_cast<double>(n - 1)
                               : std::max(profile_.high - profile_.low, 1e-9);
    out << "<g>\n<text x=\"" << Px(left) << "\" y=\"" << Px(kTop - 4)
        << "\" fill=\"#555\">profile</text>\n";
    for (size_t b = 0; b < n; ++b) {
      // Bin b holds the prices from lowest + (b - 1) * binSize up to one bin size higher.
      const double lo =
          n > 1 ? profile_.low + (static_cast<double>(b) - 1) * binSize : profile_.low;
      const double top = PriceY(lo + binSize);
      const double h = std::max(PriceY(lo) - top, 0.5);
      if (largest > 0 && std::isfinite(profile_.bins[b]) && profile_.bins[b] > 0) {
        out << "<rect x=\"" << Px(left) << "\" y=\"" << Px(top) << "\" width=\""
            << Px(profile_.bins[b] / largest * width) << "\" height=\"" << Px(h) << "\" fill=\""
            << (profile_.marks[b] == 2.0 ? "#e66100" : "#5e81ac") << "\" opacity=\"0.75\"/>\n";
      }
      if (profile_.marks[b] == 1.0) {
        out << "<line x1=\"" << Px(kLeft) << "\" x2=\"" << Px(left + width) << "\" y1=\""
            << Px(PriceY(lo)) << "\" y2=\"" << Px(PriceY(lo))
            << "\" stroke=\"#5e81ac\" stroke-dasharray=\"4 3\" stroke-opacity=\"0.5\"/>\n";
      }
    }
    out << "</g>\n";
  }

  void Pane(std::ostream& out) {
    out << "<rect x=\"" << Px(kLeft) << "\" y=\"" << Px(paneTop_) << "\" width=\"" << Px(plotWidth_)
        << "\" height=\"" << Px(paneHeight_) << "\" fill=\"none\" stroke=\"#999\"/>\n";
    const std::vector<double> ticks =
        hasLines_ ? RoundTicks(paneLow_, paneHigh_, 4) : std::vector<double>();
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
    for (double v : ticks) {
      const bool zero = v == 0.0;
      out << "<line class=\"" << (zero ? "zero-line" : "pane-tick") << "\" x1=\"" << Px(kLeft)
          << "\" x2=\"" << Px(kLeft + plotWidth_) << "\" y1=\"" << Px(PaneY(v)) << "\" y2=\""
          << Px(PaneY(v)) << "\" stroke=\"" << (zero ? "#888" : "#eee") << "\""
          << (zero ? " stroke-dasharray=\"3 3\"" : "") << "/><text x=\"" << Px(kLeft - 4)
          << "\" y=\"" << Px(PaneY(v) + 4) << "\" text-anchor=\"end\">" << TickLabel(v, step)
          << "</text>\n";
    }
    out << "<g clip-path=\"url(#pane)\">\n";
    size_t flagRow = 0;
    for (const Series& s : series_) {
      if (s.role == OutputRole::Line) PaneLine(out, s);
      if (s.role == OutputRole::Flag) PaneFlags(out, s, flagRow++);
    }
    out << "</g>\n";
  }

  void PaneLine(std::ostream& out, const Series& s) {
    std::string points;
    auto flush = [&]() {
      if (!points.empty()) {
        out << "<polyline points=\"" << points << "\" fill=\"none\" stroke=\"" << s.color
            << "\" stroke-width=\"1.2\"/>\n";
      }
      points.clear();
    };
    for (size_t i = 0; i < count_; ++i) {
      const double v = Value(i, s.column);
      if (!std::isfinite(v)) {
        flush();
        continue;
      }
      points += (points.empty() ? "" : " ") + Px(X(i)) + "," + Px(PaneY(v));
    }
    flush();
  }

  // A row of ticks along the bottom of the pane on the bars where the flag is set.
  void PaneFlags(std::ostream& out, const Series& s, size_t row) {
    const double y = paneTop_ + paneHeight_ - 8 * static_cast<double>(row + 1);
    for (size_t i = 0; i < count_; ++i) {
      const double v = Value(i, s.column);
      if (!std::isfinite(v) || v == 0.0) continue;
      out << "<rect x=\"" << Px(X(i) - step_ / 2) << "\" y=\"" << Px(y) << "\" width=\""
          << Px(std::max(step_, 1.0)) << "\" height=\"6\" fill=\"" << s.color << "\"/>\n";
    }
  }

  const zeb::IndicatorInfo& info_;
  const std::vector<Bar>& bars_;
  const Replay& replay_;
  const std::vector<ParameterSetting>& settings_;
  ChartOptions options_;
  size_t first_ = 0, count_ = 0;
  std::vector<Series> series_;
  size_t colorCount_ = 0;
  size_t flagCount_ = 0;
  bool hasPane_ = false;
  bool hasLines_ = false;
  ProfileSnapshot profile_;
  double barLow_ = 0, barHigh_ = 0;
  double priceLow_ = 0, priceHigh_ = 1, paneLow_ = 0, paneHigh_ = 1;
  double plotWidth_ = 0, step_ = 1, paneTop_ = 0, paneHeight_ = 0, height_ = 0;
};

}  // namespace

void WriteChart(std::ostream& out, const zeb::IndicatorInfo& info, const std::vector<Bar>& bars,
                const Replay& replay, const std::vector<ParameterSetting>& settings,
                const ChartOptions& options) {
  Chart(info, bars, replay, settings, options).Write(out);
}

}  // namespace zebi
