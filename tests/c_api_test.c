/* Calls the public header from C in a fresh process. */
#include <stdio.h>
#include <string.h>

#include "zeb_indicators.h"

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    printf("FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  int32_t first;
  int32_t second;
  const char* status;
  /* Both sides rounded to double: a host built for the x87 unit evaluates
   * the literal in extended precision. */
  const double testValue = ZEB_IndicatorTest(0);
  check(testValue == (double)1.2345, "test value before any instance");
  check(ZEB_IndicatorInit(NULL, "staticpcl", "X") == -1, "lower-case keyword refused");
  first = ZEB_IndicatorInit(NULL, "STATICPCL", NULL);
  check(first == 35, "first handle is 35");
  check(ZEB_IndicatorInit(NULL, NULL, "X") == -1, "null keyword refused");
  second = ZEB_IndicatorInit("ignored", "RATIO", "ABC");
  check(second == 36, "failed creation uses up no handle");
  check(ZEB_IndicatorSetBar(first, 1, 20240102, 930, 10, 11, 9, 10.5, 100, 50) == 0,
        "bar stored and calculated");
  check(ZEB_IndicatorSetBarNoCalc(second, 1, 20240102, 930, 10, 11, 9, 10.5, 100, 50) == 0,
        "bar stored without calculation");
  check(ZEB_IndicatorSetParameter(second, 0, 7.0) == 1, "parameter accepted");
  check(ZEB_IndicatorValue(first, 10) == -1.0, "static levels answer -1 outside 0..9");
  status = ZEB_IndicatorError(first);
  check(status != NULL && strstr(status, "STATICPCL") != NULL, "status names the keyword");
  check(ZEB_IndicatorError(0) == NULL, "unknown handle has no status");
  check(ZEB_IndicatorSetBar(-1, 1, 1, 1, 1, 1, 1, 1, 1, 1) == -1, "unknown handle in SetBar");
  if (failures == 0) printf("c_api: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
