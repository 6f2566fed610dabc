// The seven exported functions. Each one catches everything and answers with
// its failure value: nothing is thrown, logged or printed across the boundary.

#include <cstdio>

#include "core/indicator.h"
#include "include/zeb_indicators.h"
#include "interface/keyword_table.h"
#include "interface/registry.h"

using zeb::Indicator;

extern "C" {

ZEB_API int32_t ZEB_CALL ZEB_IndicatorInit(const char* /*first*/, const char* keyword,
                                           const char* symbol) {
  try {
    if (!keyword) return -1;
    const zeb::KeywordEntry* entry = zeb::FindKeyword(keyword);
    if (!entry) return -1;
    return zeb::registry::Create(*entry, symbol);
  } catch (...) {
    return -1;
  }
}

ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetBar(int32_t handle, int32_t bar, int32_t date,
                                             int32_t time, double open, double high, double low,
                                             double close, double volume1, double volume2) {
  try {
    Indicator* instance = zeb::registry::Find(handle);
    if (!instance) return -1;
    return instance->SetBar(bar, date, time, open, high, low, close, volume1, volume2, true);
  } catch (...) {
    return -1;
  }
}

ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetBarNoCalc(int32_t handle, int32_t bar, int32_t date,
                                                   int32_t time, double open, double high,
                                                   double low, double close, double volume1,
                                                   double volume2) {
  try {
    Indicator* instance = zeb::registry::Find(handle);
    if (!instance) return 0;
    return instance->SetBar(bar, date, time, open, high, low, close, volume1, volume2, false);
  } catch (...) {
    return 0;
  }
}

ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetParameter(int32_t handle, int32_t index, double value) {
  try {
    Indicator* instance = zeb::registry::Find(handle);
    if (!instance) return 0;
    instance->SetParameter(index, value);
    return 1;
  } catch (...) {
    return 0;
  }
}

ZEB_API double ZEB_CALL ZEB_IndicatorValue(int32_t handle, int32_t index) {
  try {
    Indicator* instance = zeb::registry::Find(handle);
    if (!instance) return 0.0;
    return instance->Value(index);
  } catch (...) {
    return 0.0;
  }
}

ZEB_API const char* ZEB_CALL ZEB_IndicatorError(int32_t handle) {
  try {
    Indicator* instance = zeb::registry::Find(handle);
    const zeb::KeywordEntry* entry = zeb::registry::EntryOf(handle);
    if (!instance || !entry) return nullptr;
    std::snprintf(instance->statusText, sizeof(instance->statusText),
                  "%s instance %d (%s): in working order, newest bar %d", entry->info->keyword,
                  static_cast<int>(handle), instance->symbol,
                  static_cast<int>(instance->barNumber));
    instance->AppendStatusNotes(instance->statusText, sizeof(instance->statusText));
    return instance->statusText;
  } catch (...) {
    return nullptr;
  }
}

ZEB_API double ZEB_CALL ZEB_IndicatorTest(int32_t /*ignored*/) {
  return 1.2345;
}

}  // extern "C"
