#include "bar_order.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zebi {
namespace {

const char* const kHeader = "date,time,open,high,low,close\n";

// Bar numbers read through OrderedBars, or the error's message.
std::string Numbers(const std::string& rows, OrderOptions options = {},
                    const char* header = kHeader) {
  std::istringstream in(header + rows);
  BarReader reader(in, "bars.csv");
  OrderedBars bars(reader, options);
  std::string out;
  try {
    Bar bar;
    while (bars.Next(bar)) {
      out += std::to_string(bar.number) + "@" + std::to_string(bar.time) + " ";
    }
  } catch (const InputError& e) {
    return e.what();
  }
  return out;
}

TEST(ZebiBarOrder, NewestFirstAndSwappedRowsAreRefused) {
  const std::string newestFirst = "20240103,0930,1,1,1,1\n20240102,0930,1,1,1,1\n";
  EXPECT_EQ(Numbers(newestFirst),
            "bars.csv:3: bars out of time order: 20240102 930 comes after 20240103 930 (line 2); "
            "--sort sorts the bars by date and time");
  const std::string swapped =
      "20240102,0930,1,1,1,1\n20240102,0940,1,1,1,1\n20240102,0935,1,1,1,1\n";
  EXPECT_NE(Numbers(swapped).find("bars.csv:4: bars out of time order"), std::string::npos);
  // --sort: time order, numbered from 1 in that order.
  EXPECT_EQ(Numbers(swapped, {true, false}), "1@930 2@935 3@940 ");
  EXPECT_EQ(Numbers(newestFirst, {true, false}), "1@930 2@930 ");
}

TEST(ZebiBarOrder, DuplicatedTimestampsAreRevisionsOnlyWhenAllowed) {
  const std::string twice = "20240102,0930,1,1,1,1\n20240102,0930,2,2,2,2\n20240102,0935,1,1,1,1\n";
  EXPECT_EQ(Numbers(twice),
            "bars.csv:3: duplicated timestamp 20240102 930, also on the bar before (line 2); "
            "--allow-duplicates keeps it as a revision of that bar");
  EXPECT_EQ(Numbers(twice, {false, true}), "1@930 1@930 2@935 ");
  // Sorting does not hide a duplicate.
  EXPECT_NE(Numbers(twice, {true, false}).find("duplicated timestamp"), std::string::npos);
}

TEST(ZebiBarOrder, GivenBarNumbersMustRise) {
  const char* header = "bar,date,time,open,high,low,close\n";
  EXPECT_EQ(Numbers("5,20240102,0930,1,1,1,1\n9,20240102,0935,1,1,1,1\n", {}, header),
            "5@930 9@935 ");
  EXPECT_EQ(Numbers("5,20240102,0930,1,1,1,1\n4,20240102,0935,1,1,1,1\n", {}, header),
            "bars.csv:3: bar number 4 does not follow bar 5 (line 2): the library would ignore "
            "or merge it");
}

}  // namespace
}  // namespace zebi
