#include "interface/new_instance.h"

#include <cstring>

#include "core/indicator.h"
#include "interface/keyword_table.h"

namespace zeb {

Indicator* NewInstance(const KeywordEntry& entry, const char* symbol) {
  Indicator* instance = entry.create();
  if (!instance) return nullptr;
  const char* text = symbol ? symbol : "<unk>";
  // Longer symbols are cut to what the field holds with its NUL.
  std::strncpy(instance->symbol, text, sizeof(instance->symbol) - 1);
  instance->symbol[sizeof(instance->symbol) - 1] = '\0';
  instance->barNumber = 0;
  return instance;
}

}  // namespace zeb
