#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zebi {

struct Bar {
  int32_t number;
  int32_t date;  // YYYYMMDD
  int32_t time;  // HHMM or HHMMSS
  double open, high, low, close, volume1, volume2;
};

// A CSV file the tool cannot read, with the place it stopped at.
class BarFileError : public std::runtime_error {
 public:
  BarFileError(const std::string& file, int line, int column, const std::string& what);
};

// Reads bars from CSV. The header names the columns in any order and case:
// date, time, open, high, low, close, and volume1/volume2 (or a single volume,
// in which case volume2 is 0); bar numbers are counted from 1 when absent.
std::vector<Bar> ReadBarFile(const std::string& path);

}  // namespace zebi
