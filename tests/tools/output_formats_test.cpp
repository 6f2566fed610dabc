#include "output_formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace zebi {
namespace {

// Two bars and a replay of two columns filled by hand.
struct Fixture {
  std::vector<Bar> bars;
  Replay replay;
  Fixture() {
    Bar a;
    a.number = 1;
    a.date = 20240102;
    a.time = 930;
    Bar b = a;
    b.number = 2;
    b.time = 935;
    bars = {a, b};
    replay.columns = {{0, "ratio", zeb::OutputRole::Line}, {1, "signal", zeb::OutputRole::Line}};
    replay.results = {0, -1};
    replay.values = {0.1 + 0.2, -50, std::numeric_limits<double>::quiet_NaN(), 1e300};
  }
  double lookback = 7;
  std::string Write(Format format) const {
    std::ostringstream out;
    WriteReplay(out, format, *FindIndicator("RATIO"), {{0, lookback}}, bars, replay);
    return out.str();
  }
};

TEST(ZebiFormats, CsvCarriesExactValues) {
  EXPECT_EQ(Fixture().Write(Format::Csv),
            "bar,date,time,result,warmup,ratio,signal\n"
            "1,20240102,930,0,1,0.30000000000000004,-50\n"
            "2,20240102,935,-1,1,nan,1e+300\n");
}

TEST(ZebiFormats, TableAlignsRoundedValues) {
  EXPECT_EQ(Fixture().Write(Format::Table),
            "bar      date  time  result  warmup  ratio  signal\n"
            "  1  20240102   930       0       1    0.3     -50\n"
            "  2  20240102   935      -1       1    nan  1e+300\n");
}

TEST(ZebiFormats, JsonWritesNullForNaN) {
  Fixture f;
  f.lookback = 500;
  const std::string json = f.Write(Format::Json);
  EXPECT_NE(json.find("\"keyword\": \"RATIO\""), std::string::npos);
  // Every parameter with the value in effect: 500 typed, 299 used; the others at their defaults.
  EXPECT_NE(json.find("\"parameters\": [{\"index\": 0, \"name\": \"lookback\", \"value\": 299, "
                      "\"set\": true}, {\"index\": 1, \"name\": \"sumLength\", \"value\": 5, "
                      "\"set\": false}"),
            std::string::npos);
  EXPECT_NE(json.find("{\"bar\": 2, \"date\": 20240102, \"time\": 935, \"result\": -1, "
                      "\"warmup\": true, \"values\": [null, 1e+300]}\n"),
            std::string::npos);
  EXPECT_EQ(json.find("nan"), std::string::npos);
  EXPECT_THROW(ParseFormat("xml"), std::invalid_argument);
  EXPECT_EQ(ParseFormat("JSON"), Format::Json);
}

TEST(ZebiFormats, TableWidthsComeFromTheFirstRowsOnly) {
  // Past the sampled rows the table streams: a wider value overflows its column
  // instead of the whole table being held back.
  Fixture f;
  const Bar bar = f.bars[0];
  std::ostringstream out;
  const zeb::IndicatorInfo& info = *FindIndicator("RATIO");
  ReplayWriter writer(out, Format::Table, info, {}, f.replay.columns);
  for (int i = 0; i < 1001; ++i) writer.Row(bar, 0, false, {1, 2});
  const size_t before = out.str().size();
  EXPECT_GT(before, 0u);  // the first rows went out before the end
  writer.Row(bar, 0, false, {1234567, 2});
  writer.Finish(ProfileSnapshot());
  EXPECT_NE(out.str().find("\n  1  20240102   930       0       0  1234567       2\n"),
            std::string::npos);
}

}  // namespace
}  // namespace zebi
