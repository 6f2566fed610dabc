#pragma once

#include <cstddef>
#include <cstdint>

#include "net/box_levels.h"
#include "net/box_reply.h"

namespace zeb {

// Writes "/test/box2.php?symbol=<symbol>&interval=<interval>" into `out`.
// The symbol goes as it is, except bytes that could end or split the request
// line or start a fragment (controls, space, DEL and '#'), which are
// percent-encoded. A symbol too long for `out` is cut. Returns false only when
// `size` cannot hold even the fixed parts.
bool BuildBoxTarget(const char* symbol, int32_t interval, char* out, size_t size);

// Fetches the box levels for `symbol` and `interval` from the box-level
// service and applies each block of the reply to `boxes` as it arrives
// (BoxReplyReader); the last line counts only when the body arrived whole.
// Returns 0 when the attempt ran to its end (whatever the reply held), -2 when
// no internet session could be started, -3 when the request got no reply.
int32_t FetchBoxLevels(const char* symbol, int32_t interval, BoxLevels boxes[kDownloadedBoxCount]);

}  // namespace zeb
