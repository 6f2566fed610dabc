#pragma once

#include <cstddef>

namespace zeb {

// Reads a double from the start of [begin, end) exactly as `stream >> value`
// with `value` initialised to 0 does in the classic locale: white space is
// skipped, then an optional sign, digits, one decimal point and an exponent
// are taken while they can continue a number, and the rest is ignored.
// Text that does not form a complete number ("", "x", "+", ".", "1e", "inf",
// "nan") reads as 0; hexadecimal stops after its leading "0"; a magnitude too
// large for a double reads as +/-DBL_MAX (and sets *overflowed when given)
// and one too small as +/-0.
// The conversion is correctly rounded and independent of the C runtime, so the
// same text gives the same bits on every platform.
double ReadClassicDouble(const char* begin, const char* end, bool* overflowed = nullptr);

}  // namespace zeb
