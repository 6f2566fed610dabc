#pragma once

#include <cstdint>
#include <fstream>
#include <istream>
#include <memory>
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

// Reads bars from CSV, one line at a time. The header names the columns in any
// order and case (blanks, '_' and '-' ignored): bar, date (or datetime), time,
// open, high, low, close, and either volume1/volume2 (also up/down volume) or a
// single volume, in which case volume2 is 0. Dates are YYYY-MM-DD, YYYY/MM/DD
// or YYYYMMDD, optionally followed by the time (after a blank or a T) when
// there is no time column; times are HH:MM[:SS] or HHMM / HHMMSS digits.
// Fields are separated by commas, semicolons or tabs (whichever the header
// uses). Bar numbers count from 1 when absent. Any field that cannot be read
// throws InputError naming the file, line and column.
class BarReader {
 public:
  // Reads the header; throws InputError when it cannot be used.
  BarReader(std::istream& in, const std::string& name);
  ~BarReader();
  BarReader(const BarReader&) = delete;
  BarReader& operator=(const BarReader&) = delete;

  // The next bar; false after the last one. Throws InputError for a bad line,
  // or when the input ends without a single bar.
  bool Next(Bar& bar);

  const std::string& Name() const;
  int Line() const;                      // line of the bar Next returned last
  unsigned long long BytesRead() const;  // for progress over a file of known size
  bool HasBarNumbers() const;            // false: numbers count from 1
  int VolumeColumns() const;             // 0, 1 (a single volume) or 2

 private:
  class Rows;
  std::istream& in_;
  std::unique_ptr<Rows> rows_;
  int line_ = 1;
  int32_t count_ = 0;
  unsigned long long bytes_ = 0;
};

// Every bar of the input at once.
std::vector<Bar> ReadBars(std::istream& in, const std::string& name);
std::vector<Bar> ReadBarFile(const std::string& path);

// Opens a bars file; throws InputError with the operating system's reason
// (a directory, a missing or unreadable file).
void OpenBarFile(std::ifstream& in, const std::string& path);

}  // namespace zebi
