#include "bar_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zebi {
namespace {

std::vector<Bar> Read(const std::string& text) {
  std::istringstream in(text);
  return ReadBars(in, "bars.csv");
}

// The message of the error reading `text` raises ("" when it reads).
std::string ErrorOf(const std::string& text) {
  try {
    Read(text);
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

TEST(BarFile, HeaderNamesInAnyCaseAndOrder) {
  const auto bars = Read(
      "Close,LOW,High,Open,Date,Time,Volume1,Volume2\n"
      "4.5,3,5,4,2024-01-02,09:30,100,50\n");
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].number, 1);
  EXPECT_EQ(bars[0].date, 20240102);
  EXPECT_EQ(bars[0].time, 930);
  EXPECT_EQ(bars[0].open, 4);
  EXPECT_EQ(bars[0].high, 5);
  EXPECT_EQ(bars[0].low, 3);
  EXPECT_EQ(bars[0].close, 4.5);
  EXPECT_EQ(bars[0].volume1, 100);
  EXPECT_EQ(bars[0].volume2, 50);
}

TEST(BarFile, UsualLayouts) {
  // Compact dates, seconds, a single volume, numbers counted from 1.
  auto bars = Read(
      "date,time,open,high,low,close,volume\n20240102,09:30:15,1,2,0.5,1.5,700\n"
      "20240102,09:35:15,1,2,0.5,1.5,800\n");
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[1].number, 2);
  EXPECT_EQ(bars[0].time, 93015);
  EXPECT_EQ(bars[0].volume1, 700);
  EXPECT_EQ(bars[0].volume2, 0);
  // Up/down volume, semicolons, quoted fields, blank lines, date and time in one field.
  bars = Read(
      "\"Date\";Open;High;Low;Close;Up Volume;Down_Volume\r\n"
      "\"2024/03/04 15:55\";1;2;0.5;1.5;10;20\r\n\r\n");
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_EQ(bars[0].date, 20240304);
  EXPECT_EQ(bars[0].time, 1555);
  EXPECT_EQ(bars[0].volume1, 10);
  EXPECT_EQ(bars[0].volume2, 20);
  // Explicit bar numbers are kept as given, gaps and negatives included.
  bars = Read("bar,date,open,high,low,close\n-4,20240102,1,1,1,1\n7,20240102,1,1,1,1\n");
  EXPECT_EQ(bars[0].number, -4);
  EXPECT_EQ(bars[1].number, 7);
}

TEST(BarFile, IntegerTimesAndDateTimeColumns) {
  // HHMM and HHMMSS digits, as zebi itself prints times: 0 is midnight, 30 is 00:30.
  auto bars = Read(
      "date,time,open,high,low,close\n20240102,0,1,1,1,1\n20240102,30,1,1,1,1\n"
      "20240102,1555,1,1,1,1\n20240102,93015,1,1,1,1\n");
  ASSERT_EQ(bars.size(), 4u);
  EXPECT_EQ(bars[0].time, 0);
  EXPECT_EQ(bars[1].time, 30);
  EXPECT_EQ(bars[2].time, 1555);
  EXPECT_EQ(bars[3].time, 93015);
  EXPECT_NE(ErrorOf("date,time,open,high,low,close\n20240102,960,1,1,1,1\n"), "");
  EXPECT_NE(ErrorOf("date,time,open,high,low,close\n20240102,2400,1,1,1,1\n"), "");
  // One ISO 8601 datetime column, with a T or a blank.
  bars =
      Read("DateTime,open,high,low,close\n2024-01-02T09:30:00,1,1,1,1\n2024-01-02 09:35,1,1,1,1\n");
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0].date, 20240102);
  EXPECT_EQ(bars[0].time, 93000);
  EXPECT_EQ(bars[1].time, 935);
}

TEST(BarFile, ReaderStreamsAndTellsTheVolumeLayout) {
  std::istringstream in(
      "date,open,high,low,close,volume\n20240102,1,1,1,1,5\n\n20240103,1,1,1,1,6\n");
  BarReader reader(in, "bars.csv");
  EXPECT_EQ(reader.VolumeColumns(), 1);
  EXPECT_FALSE(reader.HasBarNumbers());
  Bar bar;
  ASSERT_TRUE(reader.Next(bar));
  EXPECT_EQ(reader.Line(), 2);
  ASSERT_TRUE(reader.Next(bar));
  EXPECT_EQ(reader.Line(), 4);
  EXPECT_EQ(bar.volume1, 6);
  EXPECT_FALSE(reader.Next(bar));
  std::istringstream none("date,open,high,low,close\n");
  EXPECT_EQ(BarReader(none, "x").VolumeColumns(), 0);
}

TEST(BarFile, BadFieldsNameFileLineAndColumn) {
  const std::string header = "date,time,open,high,low,close\n";
  const std::string good = "2024-01-02,09:30,1,2,0.5,1.5\n";
  EXPECT_EQ(ErrorOf(header + good + "2024-01-02,09:35,1,2,x,1.5\n"),
            "bars.csv:3:22: low 'x' is not a finite number");
  EXPECT_EQ(ErrorOf(header + "2024-13-02,09:30,1,2,0.5,1.5\n"),
            "bars.csv:2:1: date '2024-13-02' is not a date (YYYY-MM-DD or YYYYMMDD)");
  EXPECT_EQ(ErrorOf(header + "2024-01-02,9:61,1,2,0.5,1.5\n"),
            "bars.csv:2:12: time '9:61' is not a time (HH:MM, HH:MM:SS, HHMM or HHMMSS)");
  EXPECT_EQ(ErrorOf(header + "2024-01-02,09:30,1,2,0.5\n"),
            "bars.csv:2:25: the line ends before the 'close' field");
  EXPECT_EQ(ErrorOf(header + "2024-01-02,09:30,1,2,0.5,1.5,9\n"),
            "bars.csv:2:30: more fields (7) than the header has (6)");
  EXPECT_EQ(ErrorOf(header + "2024-01-02,09:30,1,2,0.5,nan\n"),
            "bars.csv:2:26: close 'nan' is not a finite number");
  EXPECT_EQ(ErrorOf(header + "2024-01-02,09:30,1,2,0.5,1e999\n"),
            "bars.csv:2:26: close '1e999' is not a finite number");
  EXPECT_EQ(
      ErrorOf("bar," + header.substr(0, header.size() - 1) + "\n99999999999,20240102,1,1,1,1,1\n"),
      "bars.csv:2:1: bar '99999999999' is not a bar number");
}

TEST(BarFile, BadHeadersAndEmptyFiles) {
  EXPECT_EQ(ErrorOf(""),
            "bars.csv:1: no header line (expected e.g. date,time,open,high,low,close)");
  EXPECT_EQ(ErrorOf("date,open,high,low,close\n"), "bars.csv:1: no bars after the header");
  EXPECT_EQ(ErrorOf("date,open,high,low\n20240102,1,1,1\n"),
            "bars.csv:1: the header has no 'close' column (found: date, open, high, low)");
  EXPECT_EQ(ErrorOf("date,open,high,low,close,Close\n"),
            "bars.csv:1:26: column 'Close' names 'close' a second time");
  EXPECT_EQ(ErrorOf("date,open,high,low,close,volume,volume2\n"),
            "bars.csv:1:26: give either one volume column or volume1/volume2, not both");
  EXPECT_NE(std::string(ErrorOf("date,open,high,low,close\n")).find("bars.csv"), std::string::npos);
  try {
    ReadBarFile("/nonexistent/bars.csv");
    FAIL();
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/bars.csv: cannot open", 0), 0u);
  }
  try {
    ReadBarFile("/");
    FAIL();
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()), "/: cannot read: Is a directory");
  }
}

TEST(BarFile, BundledSampleReads) {
  const auto bars = ReadBarFile(ZEBI_SAMPLE_BARS);
  ASSERT_GT(bars.size(), 1000u);
  EXPECT_EQ(bars.front().number, 1);
  EXPECT_EQ(bars.back().number, static_cast<int32_t>(bars.size()));
}

}  // namespace
}  // namespace zebi
