#pragma once

namespace zeb {

class Indicator;
struct KeywordEntry;

// A zero-filled instance of `entry`'s class with its symbol stored ("<unk>"
// for null, cut to the field's size) and bar number 0, not yet reset; null
// when memory runs out. The registry and owned instances both start here.
Indicator* NewInstance(const KeywordEntry& entry, const char* symbol);

}  // namespace zeb
