#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zebi {

struct Bar {
  int32_t number = 0;
  int32_t date = 0;  // YYYYMMDD
  int32_t time = 0;  // HHMM, or HHMMSS when the file gives seconds
  double open = 0, high = 0, low = 0, close = 0, volume1 = 0, volume2 = 0;
};

// Input the tool cannot use, with the place it stopped at: "file:line:column: what".
// Line and column count from 1; 0 leaves them out.
class InputError : public std::runtime_error {
 public:
  InputError(const std::string& file, int line, int column, const std::string& what);
};

// Reads bars from CSV. The header names the columns in any order and case
// (blanks, '_' and '-' ignored): bar, date, time, open, high, low, close, and
// either volume1/volume2 (also up/down volume) or a single volume, in which
// case volume2 is 0. Dates are YYYY-MM-DD, YYYY/MM/DD or YYYYMMDD, optionally
// followed by the time when there is no time column; times are HH:MM[:SS].
// Fields are separated by commas, semicolons or tabs (whichever the header
// uses). Bar numbers count from 1 when absent. Any field that cannot be read
// throws InputError naming the file, line and column.
std::vector<Bar> ReadBars(std::istream& in, const std::string& name);
std::vector<Bar> ReadBarFile(const std::string& path);

}  // namespace zebi
