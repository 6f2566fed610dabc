// Built inside the reference library, where the token zeb names the
// namespace zeb_reference.
#include "core/indicator.h"
#include "interface/keyword_table.h"
#include "reference_api.h"

namespace zeb_reference::api {
namespace {

zeb::Indicator* AsIndicator(void* instance) {
  return static_cast<zeb::Indicator*>(instance);
}

}  // namespace

void* Create(const char* keyword) {
  const zeb::KeywordEntry* entry = zeb::FindKeyword(keyword);
  if (!entry) return nullptr;
  zeb::Indicator* indicator = entry->create();
  if (indicator) indicator->Reset();
  return indicator;
}

void Destroy(void* instance) {
  delete AsIndicator(instance);
}

int32_t SetBar(void* instance, int32_t bar, int32_t date, int32_t time, double open, double high,
               double low, double close, double volume1, double volume2, bool calculate) {
  return AsIndicator(instance)->SetBar(bar, date, time, open, high, low, close, volume1, volume2,
                                       calculate);
}

void SetParameter(void* instance, int32_t index, double value) {
  AsIndicator(instance)->SetParameter(index, value);
}

double Value(void* instance, int32_t index) {
  return AsIndicator(instance)->Value(index);
}

}  // namespace zeb_reference::api
