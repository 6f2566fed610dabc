#include "interface/keyword_table.h"

#include <cstring>
#include <new>

#include "indicators/market_map.h"
#include "indicators/ratio.h"
#include "indicators/static_pcl.h"
#include "indicators/swing_rsi.h"

namespace zeb {
namespace {

template <typename T>
Indicator* Create() {
  // Value-initialisation zero-fills every field before the constructors run.
  return new (std::nothrow) T();
}

template <typename T>
constexpr KeywordEntry Row() {
  return KeywordEntry{&T::kInfo, &Create<T>};
}

// Lookup order: STATICPCL, SWINGRSI, FLOATPCL, SWINGPCL, RATIO, VIXDIFF,
// VOLDELTA, VDVRS, MARKETMAP, SWINGMAP, WALLIND, COMBO, VEGA.
constexpr KeywordEntry kTable[] = {
    Row<StaticPCL>(),
    Row<SwingRSI>(),
    Row<Ratio>(),
    Row<MarketMap>(),
};

}  // namespace

const KeywordEntry* KeywordTable() {
  return kTable;
}
int32_t KeywordCount() {
  return static_cast<int32_t>(sizeof(kTable) / sizeof(kTable[0]));
}

const KeywordEntry* FindKeyword(const char* keyword) {
  for (const KeywordEntry& entry : kTable) {
    if (std::strcmp(entry.info->keyword, keyword) == 0) return &entry;
  }
  return nullptr;
}

}  // namespace zeb
