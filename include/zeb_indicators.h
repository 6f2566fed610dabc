/* ZEBIndicators: technical-analysis indicators behind seven plain C functions.
 *
 * A host creates an indicator by keyword, feeds it bars one at a time, sets
 * numbered parameters and reads numbered outputs. Every function returns a
 * failure value instead of raising an error; none of them logs or prints.
 * Calls must come from one thread at a time.
 */
#ifndef ZEB_INDICATORS_H
#define ZEB_INDICATORS_H

#include <stdint.h>

/* Calling convention of every export: stdcall on 32-bit Windows, the
 * platform default elsewhere. */
#if defined(_WIN32) && defined(__i386__) || defined(_WIN32) && defined(_M_IX86)
#define ZEB_CALL __stdcall
#else
#define ZEB_CALL
#endif

#if defined(_WIN32)
#define ZEB_API
#elif defined(__GNUC__)
#define ZEB_API __attribute__((visibility("default")))
#else
#define ZEB_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Creates an instance for `keyword` (exact, case-sensitive) and returns its
 * handle (35, 36, ... in creation order), or -1 for a null or unknown keyword.
 * `first` is ignored; a null `symbol` is stored as "<unk>". */
ZEB_API int32_t ZEB_CALL ZEB_IndicatorInit(const char* first, const char* keyword,
                                           const char* symbol);

/* Stores a bar and calculates: returns the indicator's result, or -1 for an
 * unknown handle. A higher bar number advances the history (skipped numbers
 * are filled with copies of this bar), the same number revises the newest
 * bar, a lower number is ignored. */
ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetBar(int32_t handle, int32_t bar, int32_t date,
                                             int32_t time, double open, double high, double low,
                                             double close, double volume1, double volume2);

/* Stores a bar without calculating; returns 0. */
ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetBarNoCalc(int32_t handle, int32_t bar, int32_t date,
                                                   int32_t time, double open, double high,
                                                   double low, double close, double volume1,
                                                   double volume2);

/* Sets parameter `index`; returns 1 for a known handle, whatever the index,
 * else 0. */
ZEB_API int32_t ZEB_CALL ZEB_IndicatorSetParameter(int32_t handle, int32_t index, double value);

/* Returns output `index`, or 0.0 for an unknown handle. */
ZEB_API double ZEB_CALL ZEB_IndicatorValue(int32_t handle, int32_t index);

/* Returns a status text owned by the instance (valid for the life of the
 * process, rewritten at each call), or null for an unknown handle. */
ZEB_API const char* ZEB_CALL ZEB_IndicatorError(int32_t handle);

/* Returns 1.2345: a check that the library is loaded and callable. */
ZEB_API double ZEB_CALL ZEB_IndicatorTest(int32_t ignored);

#ifdef __cplusplus
}
#endif

#endif /* ZEB_INDICATORS_H */
