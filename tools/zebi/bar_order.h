#pragma once

#include <cstddef>
#include <vector>

#include "bar_file.h"

namespace zebi {

// What to do with bars that are not in strictly rising time order.
struct OrderOptions {
  bool sort = false;             // sort by date and time first (reads the whole input)
  bool allowDuplicates = false;  // a repeated timestamp revises the bar before it
};

// The bars of a reader in time order, or an InputError naming the line where
// the order breaks and the option that helps. The library ignores a bar whose
// number is lower than the newest one and starts a new bar for every higher
// number, so a newest-first export or a repeated row would give wrong numbers
// without a word: they are refused unless the user asks for them.
//
// Without a bar column the numbers count up by one, and a duplicate allowed by
// allowDuplicates keeps the number of the bar it revises.
class OrderedBars {
 public:
  OrderedBars(BarReader& reader, const OrderOptions& options);

  bool Next(Bar& bar);
  int Line() const { return line_; }  // input line of the bar Next returned last

 private:
  bool Read(Bar& bar);
  void Check(Bar& bar);

  BarReader& reader_;
  OrderOptions options_;
  struct Sorted {
    Bar bar;
    int line;
  };
  std::vector<Sorted> sorted_;  // with options.sort: every bar, in time order
  size_t nextSorted_ = 0;
  bool started_ = false;
  Bar previous_;
  int previousLine_ = 0;
  int line_ = 0;
  int32_t number_ = 0;
};

}  // namespace zebi
