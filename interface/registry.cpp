#include "interface/registry.h"

#include <cstring>
#include <limits>
#include <new>

#include "core/indicator.h"
#include "interface/keyword_table.h"
#include "interface/new_instance.h"

namespace zeb {
namespace registry {
namespace table {

// Plain zero-initialised state: loading the library runs no constructor and
// unloading runs no destructor.
Slot* slots = nullptr;
int32_t count = 0;

}  // namespace table
namespace {

using table::slots;
int32_t slotCapacity = 0;

bool ReserveSlot() {
  if (table::count < slotCapacity) return true;
  if (slotCapacity > std::numeric_limits<int32_t>::max() / 2) return false;
  const int32_t grown = slotCapacity == 0 ? 64 : slotCapacity * 2;
  Slot* bigger = new (std::nothrow) Slot[static_cast<size_t>(grown)];
  if (!bigger) return false;
  if (table::count > 0)
    std::memcpy(bigger, slots, sizeof(Slot) * static_cast<size_t>(table::count));
  delete[] slots;
  slots = bigger;
  slotCapacity = grown;
  return true;
}

}  // namespace

int32_t Create(const KeywordEntry& entry, const char* symbol) {
  // Handles run out only after ~2^31 creations; refuse rather than wrap.
  if (table::count >= std::numeric_limits<int32_t>::max() - kFirstHandle) return -1;
  if (!ReserveSlot()) return -1;
  Indicator* instance = NewInstance(entry, symbol);
  if (!instance) return -1;
  instance->handle = kFirstHandle + table::count;
  slots[table::count] = Slot{instance, &entry};
  ++table::count;
  instance->Reset();
  return instance->handle;
}

const KeywordEntry* EntryOf(int32_t handle) {
  return Find(handle) ? slots[handle - kFirstHandle].entry : nullptr;
}

int32_t Count() {
  return table::count;
}

void DestroyAllForTesting() {
  for (int32_t i = 0; i < table::count; ++i) delete slots[i].instance;
  delete[] slots;
  slots = nullptr;
  table::count = 0;
  slotCapacity = 0;
}

}  // namespace registry
}  // namespace zeb
