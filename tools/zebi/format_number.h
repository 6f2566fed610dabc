#pragma once

#include <string>

namespace zebi {

// Shortest text that reads back as the same double ("nan", "inf", "-inf" for
// the special values).
std::string FormatShort(double value);

// At most `digits` significant digits, for tables a person reads.
std::string FormatReadable(double value, int digits = 8);

}  // namespace zebi
