#pragma once

#include <cstddef>

namespace zeb::fuzz {

// Bytes currently allocated through operator new in this process; the fuzzers
// replace the global allocation functions to keep this count.
size_t LiveHeapBytes();

}  // namespace zeb::fuzz
