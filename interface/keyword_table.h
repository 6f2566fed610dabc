#pragma once

#include <cstdint>
#include <string>

#include "core/indicator_info.h"

namespace zeb {

class Indicator;

// One row per keyword: the single place that knows every indicator.
struct KeywordEntry {
  const IndicatorInfo* info;  // keyword, parameters and outputs
  Indicator* (*create)();     // zero-filled instance, or null when out of memory
};

// The rows in lookup order.
const KeywordEntry* KeywordTable();
int32_t KeywordCount();

// Exact byte-for-byte match of a NUL-terminated keyword; null when unknown.
const KeywordEntry* FindKeyword(const char* keyword);

// The row of `keyword`; throws std::invalid_argument listing every keyword
// when it is unknown. For the C++ and Python layers, never the exports.
const KeywordEntry& KnownKeyword(const std::string& keyword);

}  // namespace zeb
