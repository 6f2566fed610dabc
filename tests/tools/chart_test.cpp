#include "chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "chart_axes.h"
#include "svg_text.h"
#include "zeb_indicators.h"

namespace zebi {
namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Every element opened is closed in order: a cheap well-formedness check (the
// ctest run also passes every demo chart through an XML parser).
bool TagsBalance(const std::string& svg) {
  std::vector<std::string> open;
  for (size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    if (svg.compare(at, 2, "<?") == 0) continue;
    const size_t end = svg.find('>', at);
    if (end == std::string::npos) return false;
    const std::string tag = svg.substr(at + 1, end - at - 1);
    if (tag.back() == '/') continue;
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
    } else {
      open.push_back(tag.substr(0, tag.find(' ')));
    }
  }
  return open.empty();
}

// Bars around 100 and an indicator described by hand, one output per role.
struct Fixture {
  std::vector<Bar> bars;
  Replay replay;
  std::vector<zeb::OutputInfo> outputs;
  zeb::IndicatorInfo info{"TEST & <CO>", "Test", "summary", nullptr, 0, nullptr, 0, 0.0};

  Fixture() {
    const zeb::OutputRole roles[] = {zeb::OutputRole::Level,    zeb::OutputRole::BandLow,
                                     zeb::OutputRole::BandHigh, zeb::OutputRole::Marker,
                                     zeb::OutputRole::Line,     zeb::OutputRole::Flag,
                                     zeb::OutputRole::Figure,   zeb::OutputRole::Auto};
    for (int32_t i = 0; i < 8; ++i) {
      outputs.push_back({i, i, "out", "d", roles[i]});
      replay.columns.push_back({i, "out" + std::to_string(i), roles[i]});
    }
    info.outputs = outputs.data();
    info.outputCount = 8;
    for (int32_t i = 0; i < 40; ++i) {
      Bar b;
      b.number = i + 1;
      b.date = 20240102 + i / 20;
      b.open = 100 + i % 5;
      b.close = 101 + i % 3;
      b.high = 106;
      b.low = 99;
      b.volume1 = 10 + i;
      bars.push_back(b);
      replay.results.push_back(0);
      const double nan = std::numeric_limits<double>::quiet_NaN();
      const double values[] = {i < 10 ? 0.0 : 102.0,           // level published from bar 10
                               i < 20 ? 101.0 : 100.0,         // band low, two runs
                               103.0,                          // band high
                               i == 5 || i == 30 ? 104.5 : 0,  // marker at two bars
                               i == 15 ? nan : i - 20.0,       // line with a gap
                               i % 10 == 0 ? 1.0 : 0.0,        // flag on four bars
                               1e300,                          // figure: never drawn
                               1e6 + i};                       // far from price: pane
      replay.values.insert(replay.values.end(), values, values + 8);
    }
  }

  std::string Draw(size_t lastBars = 300) const {
    std::ostringstream out;
    ChartOptions options;
    options.lastBars = lastBars;
    WriteChart(out, info, bars, replay, {}, options);
    return out.str();
  }
};

TEST(ZebiChart, EachRoleDrawsItsShape) {
  const std::string svg = Fixture().Draw();
  EXPECT_TRUE(TagsBalance(svg));
  EXPECT_NE(svg.find("TEST &amp; &lt;CO&gt;"), std::string::npos);
  EXPECT_EQ(Count(svg, "stroke-width=\"1.3\""), 1u);  // the level: one step path
  // The band: one rectangle per run, and its legend swatch.
  EXPECT_EQ(Count(svg, "fill-opacity=\"0.18\""), 3u);
  EXPECT_EQ(Count(svg, "stroke-width=\"0.6\""),
            3u);  // the marker where it changes, and in the legend
  // The line (split at its gap) and the far-off Auto output, both in the pane.
  EXPECT_EQ(Count(svg, "<polyline"), 3u);
  EXPECT_EQ(Count(svg, "height=\"6.0\""), 5u);  // flag ticks, and the legend's
  EXPECT_EQ(svg.find("e+300"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

TEST(ZebiChart, ShowsOnlyTheNewestBars) {
  const std::string svg = Fixture().Draw(10);
  EXPECT_TRUE(TagsBalance(svg));
  EXPECT_NE(svg.find("last 10 of 40 bars"), std::string::npos);
  EXPECT_EQ(Count(svg, "stroke-width=\"0.6\""), 2u);  // the marker at bar 30 and the legend's
}

TEST(ZebiChart, LegendShowsWhatIsDrawnAsItIsDrawn) {
  const std::string svg = Fixture().Draw();
  // A band is one entry named by both edges; the figure and the unpublished
  // outputs have none.
  EXPECT_EQ(Count(svg, "<g class=\"legend\">"), 6u);
  EXPECT_NE(svg.find(">out1/out2</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">out2</text>"), std::string::npos);
  EXPECT_EQ(svg.find(">out6</text>"), std::string::npos);
  // Levels and lines as strokes, the marker in its shape.
  const size_t marker = svg.find("<g class=\"legend\"><path");
  EXPECT_NE(marker, std::string::npos);
  EXPECT_EQ(Count(svg, "<g class=\"legend\"><line"), 3u);
}

TEST(ZebiChart, AxesUseRoundValuesAndTheZeroLine) {
  const std::string svg = Fixture().Draw();
  // Prices 98.8..106.2 (padded): ticks every 1 or 2, printed without decimals.
  EXPECT_NE(svg.find("text-anchor=\"end\">100</text>"), std::string::npos);
  EXPECT_EQ(svg.find("99.7"), std::string::npos);
  EXPECT_EQ(Count(svg, "class=\"zero-line\""), 1u);  // the pane's line crosses 0
  EXPECT_GE(Count(svg, "class=\"pane-tick\""), 2u);
  EXPECT_GE(Count(svg, "class=\"volume-tick\""), 1u);
}

TEST(ZebiChart, LevelsOffTheScaleAreMarkedAtTheEdge) {
  Fixture f;
  for (size_t bar = 30; bar < 40; ++bar) f.replay.values[bar * 8] = 1000;  // the level jumps
  const std::string svg = f.Draw();
  EXPECT_NE(svg.find("out0 1000 above"), std::string::npos);
  // Overlays are clipped to the candles, never drawn over the volume bars.
  EXPECT_NE(svg.find("<g clip-path=\"url(#candles)\">"), std::string::npos);
}

TEST(ZebiChart, RoundTicks) {
  EXPECT_EQ(RoundTicks(101.18, 108.61, 6), (std::vector<double>{102, 104, 106, 108}));
  EXPECT_EQ(RoundTicks(0, 1, 4), (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(RoundTicks(-40.1, 43.3, 4), (std::vector<double>{-25, 0, 25}));
  EXPECT_TRUE(RoundTicks(1, 1, 4).empty());
  EXPECT_TRUE(RoundTicks(0, std::nan(""), 4).empty());
  EXPECT_EQ(TickLabel(0.25, 0.25), "0.25");
  EXPECT_EQ(TickLabel(104, 2), "104");
  EXPECT_EQ(TickLabel(-2.5, 2.5), "-2.5");
}

std::vector<Bar> Dated(const std::vector<std::pair<int32_t, int32_t>>& stamps) {
  std::vector<Bar> bars;
  for (const auto& [date, time] : stamps) {
    Bar b;
    b.date = date;
    b.time = time;
    bars.push_back(b);
  }
  return bars;
}

TEST(ZebiChart, TimeMarksFollowTheCalendar) {
  // Daily bars over two years: one mark per quarter, not one per bar, with the year.
  std::vector<std::pair<int32_t, int32_t>> days;
  for (int32_t y = 2020; y <= 2021; ++y) {
    for (int32_t m = 1; m <= 12; ++m) {
      for (int32_t d = 1; d <= 20; ++d) days.push_back({y * 10000 + m * 100 + d, 0});
    }
  }
  auto marks = TimeMarks(Dated(days), 0, days.size(), 12);
  ASSERT_EQ(marks.size(), 7u);
  EXPECT_EQ(marks[0].label, "Apr 2020");
  EXPECT_EQ(marks[3].label, "Jan 2021");
  // Intraday bars of one day: times of day, every fourth bar.
  std::vector<std::pair<int32_t, int32_t>> day;
  for (int32_t i = 0; i < 48; ++i) day.push_back({20240102, 930 + i / 12 * 100 + i % 12 * 5});
  marks = TimeMarks(Dated(day), 0, day.size(), 12);
  ASSERT_FALSE(marks.empty());
  EXPECT_EQ(marks[0].label, "09:50");
  // A few days of intraday bars: one mark per day.
  std::vector<std::pair<int32_t, int32_t>> week;
  for (int32_t i = 0; i < 50; ++i) week.push_back({20240102 + i / 10, 930 + i % 10});
  marks = TimeMarks(Dated(week), 0, week.size(), 12);
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(marks[0].label, "01-03");
}

TEST(ZebiChart, NoBarsStillMakesADocument) {
  Fixture f;
  f.bars.clear();
  f.replay.results.clear();
  f.replay.values.clear();
  std::ostringstream out;
  WriteChart(out, f.info, f.bars, f.replay, {});
  EXPECT_TRUE(TagsBalance(out.str()));
}

TEST(ZebiChart, TextAndNumbersAreSafe) {
  EXPECT_EQ(XmlEscape("a<b>&\"c\"\x01"), "a&lt;b&gt;&amp;&quot;c&quot;");
  EXPECT_EQ(Px(std::nan("")), "0.0");
  EXPECT_EQ(Px(1e300), "1000000.0");
  EXPECT_EQ(Px(-2.25), "-2.2");
}

}  // namespace
}  // namespace zebi

namespace zebi {
namespace {

// A real profile indicator: one histogram bar per non-empty bin, peaks in the
// accent colour, one dashed line per node bound.
TEST(ZebiChart, ProfileComesFromTheInstance) {
  std::vector<Bar> bars;
  for (int32_t i = 0; i < 120; ++i) {
    Bar b;
    b.number = i + 1;
    b.date = 20240102;
    b.open = 100 + (i % 17) * 0.1;
    b.close = 100 + (i % 13) * 0.1;
    b.high = std::max(b.open, b.close) + 0.2;
    b.low = std::min(b.open, b.close) - 0.2;
    b.volume1 = 100 + i % 7 * 30;
    bars.push_back(b);
  }
  const zeb::IndicatorInfo& info = *FindIndicator("MARKETMAP");
  ReplayOptions options;
  options.settings = ParseSettings(info, "binCount=12 lastBack=80");
  options.showProgress = false;
  const Replay replay = RunReplay(info, bars, options);
  size_t filled = 0, peaks = 0, bounds = 0;
  for (int32_t bin = 0; bin < 12; ++bin) {
    const double value = ZEB_IndicatorValue(replay.handle, 100 + bin);
    const double mark = ZEB_IndicatorValue(replay.handle, 500 + bin);
    if (value > 0) ++filled;
    if (value > 0 && mark == 2.0) ++peaks;
    if (mark == 1.0) ++bounds;
  }
  ASSERT_GT(filled, 5u);
  ASSERT_GT(peaks, 0u);
  std::ostringstream out;
  WriteChart(out, info, bars, replay, options.settings);
  const std::string svg = out.str();
  EXPECT_TRUE(TagsBalance(svg));
  EXPECT_EQ(Count(svg, "opacity=\"0.75\""), filled);
  EXPECT_EQ(Count(svg, "fill=\"#e66100\""), peaks);
  EXPECT_EQ(Count(svg, "stroke-dasharray=\"4 3\""), bounds);
  // The window covers the newest 81 bars: from x of bar 39 of 120 to the right edge.
  const double step = (1200.0 - 72 - 16 - 150) / 120;
  EXPECT_NE(
      svg.find("<rect x=\"" + Px(72 + 39 * step) + "\" y=\"64.0\" width=\"" + Px(81 * step) + "\""),
      std::string::npos);
  // The window's label inside it; a narrow window gets it on its left, clear of the profile.
  EXPECT_NE(svg.find("x=\"" + Px(72 + 39 * step + 3) + "\" y=\"76.0\" text-anchor=\"start\""),
            std::string::npos);
  std::ostringstream narrow;
  WriteChart(narrow, info, bars,
             RunReplay(info, bars, {ParseSettings(info, "lastBack=3"), 0, "S", false}),
             ParseSettings(info, "lastBack=3"));
  EXPECT_NE(
      narrow.str().find("x=\"" + Px(72 + 116 * step - 3) + "\" y=\"76.0\" text-anchor=\"end\""),
      std::string::npos);
}

}  // namespace
}  // namespace zebi
