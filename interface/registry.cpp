#include "interface/registry.h"

#include <cstring>
#include <limits>
#include <new>

#include "core/indicator.h"
#include "interface/keyword_table.h"
#include "interface/new_instance.h"

namespace zeb {
namespace registry {
namespace {

constexpr int32_t kFirstHandle = 35;

struct Slot {
  Indicator* instance;
  const KeywordEntry* entry;
};

// Plain zero-initialised state: loading the library runs no constructor and
// unloading runs no destructor.
Slot* slots = nullptr;
int32_t slotCount = 0;
int32_t slotCapacity = 0;

bool ReserveSlot() {
  if (slotCount < slotCapacity) return true;
  if (slotCapacity > std::numeric_limits<int32_t>::max() / 2) return false;
  const int32_t grown = slotCapacity == 0 ? 64 : slotCapacity * 2;
  Slot* bigger = new (std::nothrow) Slot[static_cast<size_t>(grown)];
  if (!bigger) return false;
  if (slotCount > 0) std::memcpy(bigger, slots, sizeof(Slot) * static_cast<size_t>(slotCount));
  delete[] slots;
  slots = bigger;
  slotCapacity = grown;
  return true;
}

}  // namespace

int32_t Create(const KeywordEntry& entry, const char* symbol) {
  // Handles run out only after ~2^31 creations; refuse rather than wrap.
  if (slotCount >= std::numeric_limits<int32_t>::max() - kFirstHandle) return -1;
  if (!ReserveSlot()) return -1;
  Indicator* instance = NewInstance(entry, symbol);
  if (!instance) return -1;
  instance->handle = kFirstHandle + slotCount;
  slots[slotCount] = Slot{instance, &entry};
  ++slotCount;
  instance->Reset();
  return instance->handle;
}

Indicator* Find(int32_t handle) {
  const int64_t index = static_cast<int64_t>(handle) - kFirstHandle;
  if (index < 0 || index >= slotCount) return nullptr;
  return slots[index].instance;
}

const KeywordEntry* EntryOf(int32_t handle) {
  const int64_t index = static_cast<int64_t>(handle) - kFirstHandle;
  if (index < 0 || index >= slotCount) return nullptr;
  return slots[index].entry;
}

int32_t Count() {
  return slotCount;
}

void DestroyAllForTesting() {
  for (int32_t i = 0; i < slotCount; ++i) delete slots[i].instance;
  delete[] slots;
  slots = nullptr;
  slotCount = 0;
  slotCapacity = 0;
}

}  // namespace registry
}  // namespace zeb
