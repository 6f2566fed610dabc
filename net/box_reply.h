#pragma once

#include <cstddef>
#include <cstdint>

#include "net/box_levels.h"

namespace zeb {

// Applies one block of a box-level reply to `boxes`. The block's text ends at
// its first zero byte; it is split into lines at line feeds and each line is
// applied in order. A line is cut into fields at colons, empty fields dropped;
// group g (fields 4g..4g+3: three levels and a count) updates box g when all
// four fields are present and the count reads greater than 0. Nothing is kept
// between calls, so a line cut by a block boundary counts as two lines.
// Works in place on any bytes, with no allocation.
void ApplyBoxReplyBlock(const char* data, size_t size, BoxLevels boxes[kDownloadedBoxCount]);

// A count field as stored: truncated toward zero; values beyond the 32-bit
// range saturate to INT32_MAX (or INT32_MIN), and NaN gives 0.
int32_t BoxCountFromField(double count);

}  // namespace zeb
