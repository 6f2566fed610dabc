#include "bar_order.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace zebi {
namespace {

bool Earlier(const Bar& a, const Bar& b) {
  return a.date != b.date ? a.date < b.date : a.time < b.time;
}

std::string Stamp(const Bar& bar) {
  char text[32];
  std::snprintf(text, sizeof(text), "%d %d", bar.date, bar.time);
  return text;
}

}  // namespace

OrderedBars::OrderedBars(BarReader& reader, const OrderOptions& options)
    : reader_(reader), options_(options) {
  if (!options_.sort) return;
  Bar bar;
  while (reader_.Next(bar)) sorted_.push_back({bar, reader_.Line()});
  std::stable_sort(sorted_.begin(), sorted_.end(),
                   [](const Sorted& a, const Sorted& b) { return Earlier(a.bar, b.bar); });
}

bool OrderedBars::Read(Bar& bar) {
  if (!options_.sort) {
    if (!reader_.Next(bar)) return false;
    line_ = reader_.Line();
    return true;
  }
  if (nextSorted_ == sorted_.size()) return false;
  bar = sorted_[nextSorted_].bar;
  line_ = sorted_[nextSorted_].line;
  ++nextSorted_;
  return true;
}

bool OrderedBars::Next(Bar& bar) {
  if (!Read(bar)) return false;
  Check(bar);
  previous_ = bar;
  previousLine_ = line_;
  started_ = true;
  return true;
}

void OrderedBars::Check(Bar& bar) {
  const std::string& name = reader_.Name();
  const std::string place = " (line " + std::to_string(previousLine_) + ")";
  const bool duplicate = started_ && bar.date == previous_.date && bar.time == previous_.time;
  if (started_ && Earlier(bar, previous_)) {
    throw InputError(name, line_, 0,
                     "bars out of time order: " + Stamp(bar) + " comes after " + Stamp(previous_) +
                         place + "; --sort sorts the bars by date and time");
  }
  if (duplicate && !options_.allowDuplicates) {
    throw InputError(name, line_, 0,
                     "duplicated timestamp " + Stamp(bar) + ", also on the bar before" + place +
                         "; --allow-duplicates keeps it as a revision of that bar");
  }
  if (!reader_.HasBarNumbers()) {
    if (!duplicate) ++number_;
    bar.number = number_;
    return;
  }
  const bool sameNumber = started_ && bar.number == previous_.number;
  if (started_ && (bar.number < previous_.number || (sameNumber && !duplicate))) {
    throw InputError(name, line_, 0,
                     "bar number " + std::to_string(bar.number) + " does not follow bar " +
                         std::to_string(previous_.number) + place +
                         ": the library would ignore or merge it");
  }
}

}  // namespace zebi
