#include "format_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zebi {

std::string FormatShort(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, r.ptr);
}

std::string FormatReadable(double value, int digits) {
  if (!std::isfinite(value)) return FormatShort(value);
  char buffer[48];
  std::snprintf(buffer, sizeof(buffer), "%.*g", digits, value);
  return buffer;
}

}  // namespace zebi
