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
  std::string Write(Format format) const {
    std::ostringstream out;
    WriteReplay(out, format, *FindIndicator("RATIO"), {{0, 7}}, bars, replay);
    return out.str();
  }
};

TEST(ZebiFormats, CsvCarriesExactValues) {
  EXPECT_EQ(Fixture().Write(Format::Csv),
            "bar,date,time,result,ratio,signal\n"
            "1,20240102,930,0,0.30000000000000004,-50\n"
            "2,20240102,935,-1,nan,1e+300\n");
}

TEST(ZebiFormats, TableAlignsRoundedValues) {
  EXPECT_EQ(Fixture().Write(Format::Table),
            "bar      date  time  result  ratio  signal\n"
            "  1  20240102   930       0    0.3     -50\n"
            "  2  20240102   935      -1    nan  1e+300\n");
}

TEST(ZebiFormats, JsonWritesNullForNaN) {
  const std::string json = Fixture().Write(Format::Json);
  EXPECT_NE(json.find("\"keyword\": \"RATIO\""), std::string::npos);
  EXPECT_NE(json.find("\"parameters\": [{\"index\": 0, \"value\": 7}]"), std::string::npos);
  EXPECT_NE(json.find("{\"bar\": 2, \"date\": 20240102, \"time\": 935, \"result\": -1, "
                      "\"values\": [null, 1e+300]}\n"),
            std::string::npos);
  EXPECT_EQ(json.find("nan"), std::string::npos);
  EXPECT_THROW(ParseFormat("xml"), std::invalid_argument);
}

}  // namespace
}  // namespace zebi
