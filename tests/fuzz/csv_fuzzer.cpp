// Feeds arbitrary text to the zebi tool's CSV reader. Bad input must end in
// one InputError with its place; any other exception or a sanitizer report is
// a fault.

#include <cstdint>
#include <sstream>
#include <string>

#include "bar_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    (void)zebi::ReadBars(in, "fuzz.csv");
  } catch (const zebi::InputError&) {
  }
  return 0;
}
