/* A program that uses the installed library: creates an indicator, feeds it
 * bars and checks what comes back. Exit status 0 when all is as expected. */
#include <stdio.h>
#include <zeb_indicators.h>

int main(void) {
  int32_t handle;
  int32_t bar;
  double ratio;
  if (ZEB_IndicatorTest(0) != 1.2345) return 1;
  handle = ZEB_IndicatorInit(NULL, "RATIO", "DEMO");
  if (handle < 0) return 2;
  ZEB_IndicatorSetParameter(handle, 0, 3);
  for (bar = 1; bar <= 10; ++bar) {
    ZEB_IndicatorSetBar(handle, bar, 20240102, 930, 10, 10 + bar, 9, 10 + bar, 100, 50);
  }
  ratio = ZEB_IndicatorValue(handle, 0);
  printf("RATIO after 10 rising bars: %g\n", ratio);
  return ratio > 0 && ratio <= 50 ? 0 : 3;
}
