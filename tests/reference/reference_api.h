#pragma once

#include <cstdint>

// The reference library (tests/reference), driven directly: every keyword
// computed with the per-element window functions and the first versions of
// the bar store, the volume profile and the turn detector.
namespace zeb_reference::api {

// Instance of `keyword`, reset; null when the keyword is unknown. Destroy
// frees it.
void* Create(const char* keyword);
void Destroy(void* instance);
int32_t SetBar(void* instance, int32_t bar, int32_t date, int32_t time, double open, double high,
               double low, double close, double volume1, double volume2, bool calculate);
void SetParameter(void* instance, int32_t index, double value);
double Value(void* instance, int32_t index);

}  // namespace zeb_reference::api
