#include "interface/keyword_table.h"

#include <cstring>
#include <iterator>
#include <stdexcept>

#include "indicators/float_pcl.h"
#include "indicators/market_map.h"
#include "indicators/ratio.h"
#include "indicators/static_pcl.h"
#include "indicators/swing_map.h"
#include "indicators/swing_pcl.h"
#include "indicators/swing_rsi.h"
#include "indicators/tsi_combo.h"
#include "indicators/vdvr_sum.h"
#include "indicators/vega.h"
#include "indicators/vix_diff.h"
#include "indicators/vol_delta.h"
#include "indicators/wall_ind.h"

namespace zeb {
namespace {

template <typename T>
constexpr KeywordEntry Row() {
  return KeywordEntry{&T::kInfo, &Indicator::New<T>};
}

// Lookup order: STATICPCL, SWINGRSI, FLOATPCL, SWINGPCL, RATIO, VIXDIFF,
// VOLDELTA, VDVRS, MARKETMAP, SWINGMAP, WALLIND, COMBO, VEGA.
// One row per line (kept so by the formatter switch) so that added keywords
// never rewrap their neighbours.
// clang-format off
constexpr KeywordEntry kTable[] = {
    Row<StaticPCL>(),
    Row<SwingRSI>(),
    Row<FloatPCL>(),
    Row<SwingPCL>(),
    Row<Ratio>(),
    Row<VixDiff>(),
    Row<VolDelta>(),
    Row<VDVRSum>(),
    Row<MarketMap>(),
    Row<SwingMap>(),
    Row<WallInd>(),
    Row<TSICombo>(),
    Row<Vega>(),
};
// clang-format on

}  // namespace

const KeywordEntry* KeywordTable() {
  return kTable;
}
int32_t KeywordCount() {
  return static_cast<int32_t>(std::size(kTable));
}

const KeywordEntry* FindKeyword(const char* keyword) {
  for (const KeywordEntry& entry : kTable) {
    if (std::strcmp(entry.info->keyword, keyword) == 0) return &entry;
  }
  return nullptr;
}

const KeywordEntry& KnownKeyword(const std::string& keyword) {
  const KeywordEntry* entry = FindKeyword(keyword.c_str());
  if (entry) return *entry;
  std::string known;
  for (const KeywordEntry& row : kTable)
    known += (known.empty() ? "" : ", ") + std::string(row.info->keyword);
  throw std::invalid_argument("unknown keyword '" + keyword + "' (keywords: " + known + ")");
}

}  // namespace zeb
