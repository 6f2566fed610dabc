#pragma once

#include <cstdint>

namespace zeb {

class Indicator;
struct KeywordEntry;

// Process-wide registry of live instances. Handles are given out densely from
// 35 and never reused, so lookup is an index into a table: its cost does not
// depend on how many instances exist. Instances are never removed or freed.
// Not thread-safe: the host calls the library from one thread at a time.
namespace registry {

// Creates, registers and resets an instance of `entry`'s class; returns its
// handle, or -1 when memory runs out (nothing is registered then).
int32_t Create(const KeywordEntry& entry, const char* symbol);

constexpr int32_t kFirstHandle = 35;

// The table behind Find: row handle - kFirstHandle holds that handle's
// instance and keyword row. Only registry.cpp changes it.
struct Slot {
  Indicator* instance;
  const KeywordEntry* entry;
};
namespace table {
extern Slot* slots;
extern int32_t count;
}  // namespace table

// The instance behind `handle`, or null when the handle was never given out.
// Inline: every exported call looks up its handle. A handle below the first
// wraps to an unsigned row of at least 2^31 - kFirstHandle, above any count
// that Create allows, so one comparison bounds it.
inline Indicator* Find(int32_t handle) {
  const uint32_t row = static_cast<uint32_t>(handle) - static_cast<uint32_t>(kFirstHandle);
  return row < static_cast<uint32_t>(table::count) ? table::slots[row].instance : nullptr;
}

// The keyword row an instance was created from, or null for an unknown handle.
const KeywordEntry* EntryOf(int32_t handle);

// Number of instances created so far.
int32_t Count();

// Test harnesses only (never reachable from the exports): frees every instance
// and starts the handles from 35 again, so a fuzzer's iterations stay bounded.
void DestroyAllForTesting();

}  // namespace registry
}  // namespace zeb
