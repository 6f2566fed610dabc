/* Loads ZEBIndicators.dll as a host does (LoadLibrary + GetProcAddress by the
 * undecorated names), calls each export through a raw argument block and
 * checks both its result and the argument bytes it removed from the stack. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "stdcall_call.h"

static int failures = 0;

static void check(int ok, const char* what) {
  printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

/* Argument block builder: int32s and doubles packed as the caller pushes them. */
typedef struct {
  unsigned char bytes[64];
  uint32_t size;
} Args;

static void PutInt(Args* a, int32_t v) {
  memcpy(a->bytes + a->size, &v, sizeof v);
  a->size += (uint32_t)sizeof v;
}
static void PutDouble(Args* a, double v) {
  memcpy(a->bytes + a->size, &v, sizeof v);
  a->size += (uint32_t)sizeof v;
}
static void PutPointer(Args* a, const void* p) {
  memcpy(a->bytes + a->size, &p, sizeof p);
  a->size += (uint32_t)sizeof p;
}

static void* Export(HMODULE dll, const char* name) {
  void* fn = (void*)GetProcAddress(dll, name);
  char what[128];
  snprintf(what, sizeof what, "GetProcAddress(%s)", name);
  check(fn != NULL, what);
  return fn;
}

/* Calls a function of one or two int32 arguments. */
static CallResult CallInts(void* fn, int wantsDouble, int count, int32_t a0, int32_t a1) {
  Args a = {{0}, 0};
  PutInt(&a, a0);
  if (count > 1) PutInt(&a, a1);
  return CallMeasured(fn, a.bytes, a.size, wantsDouble);
}

static CallResult SetParameter(void* fn, int32_t handle, int32_t index, double value) {
  Args a = {{0}, 0};
  PutInt(&a, handle);
  PutInt(&a, index);
  PutDouble(&a, value);
  return CallMeasured(fn, a.bytes, a.size, 0);
}

static CallResult SetBar(void* fn, int32_t handle, int32_t bar, double price) {
  Args a = {{0}, 0};
  PutInt(&a, handle);
  PutInt(&a, bar);
  PutInt(&a, 20240102);
  PutInt(&a, 930);
  PutDouble(&a, price);
  PutDouble(&a, price + 1.0);
  PutDouble(&a, price - 1.0);
  PutDouble(&a, price + 0.5);
  PutDouble(&a, 100.0);
  PutDouble(&a, 50.0);
  return CallMeasured(fn, a.bytes, a.size, 0);
}

int main(void) {
  HMODULE dll = LoadLibraryA("ZEBIndicators.dll");
  check(dll != NULL, "LoadLibrary(ZEBIndicators.dll)");
  if (!dll) return 1;
  void* init = Export(dll, "ZEB_IndicatorInit");
  void* setBar = Export(dll, "ZEB_IndicatorSetBar");
  void* setBarNoCalc = Export(dll, "ZEB_IndicatorSetBarNoCalc");
  void* setParameter = Export(dll, "ZEB_IndicatorSetParameter");
  void* value = Export(dll, "ZEB_IndicatorValue");
  void* error = Export(dll, "ZEB_IndicatorError");
  void* test = Export(dll, "ZEB_IndicatorTest");
  check(GetProcAddress(dll, "ZEB_IndicatorInit@12") == NULL, "no decorated name exported");
  if (failures) return 1;

  CallResult r = CallInts(test, 1, 1, 7, 0);
  check(r.bytesRemoved == 4 && r.st0 == 1.2345, "Test removes 4 bytes and returns 1.2345");

  Args a = {{0}, 0};
  PutPointer(&a, NULL);
  PutPointer(&a, "STATICPCL");
  PutPointer(&a, "SYM");
  r = CallMeasured(init, a.bytes, a.size, 0);
  const int32_t handle = (int32_t)r.eax;
  check(r.bytesRemoved == 12 && handle == 35, "Init removes 12 bytes and returns handle 35");
  a.size = 0;
  PutPointer(&a, NULL);
  PutPointer(&a, "staticpcl");
  PutPointer(&a, NULL);
  r = CallMeasured(init, a.bytes, a.size, 0);
  check(r.bytesRemoved == 12 && (int32_t)r.eax == -1, "Init refuses an unknown keyword");

  r = SetBar(setBar, handle, 1, 100.0);
  check(r.bytesRemoved == 64 && r.eax == 0, "SetBar removes 64 bytes and returns 0");
  r = SetBar(setBar, 999, 1, 100.0);
  check(r.bytesRemoved == 64 && (int32_t)r.eax == -1, "SetBar on an unknown handle returns -1");
  r = SetBar(setBarNoCalc, handle, 2, 101.0);
  check(r.bytesRemoved == 64 && r.eax == 0, "SetBarNoCalc removes 64 bytes and returns 0");

  /* A jump to the highest bar number fills the history once and returns at once. */
  LARGE_INTEGER frequency, start, stop;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  r = SetBar(setBar, handle, 2147483647, 102.0);
  QueryPerformanceCounter(&stop);
  const double seconds = (double)(stop.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
  printf("jump from bar 2 to 2147483647: %.1f us\n", seconds * 1e6);
  check(r.bytesRemoved == 64 && seconds < 0.5, "SetBar jumps to bar 2147483647 at once");

  r = SetParameter(setParameter, handle, 0, 3.5);
  check(r.bytesRemoved == 16 && r.eax == 1, "SetParameter removes 16 bytes and returns 1");
  r = SetParameter(setParameter, 0, 0, 3.5);
  check(r.bytesRemoved == 16 && r.eax == 0, "SetParameter on an unknown handle returns 0");

  r = CallInts(value, 1, 2, handle, 10);
  check(r.bytesRemoved == 8 && r.st0 == -1.0, "Value removes 8 bytes; STATICPCL index 10 is -1");
  r = CallInts(value, 1, 2, 12345, 0);
  check(r.bytesRemoved == 8 && r.st0 == 0.0, "Value on an unknown handle returns 0.0");

  r = CallInts(error, 0, 1, handle, 0);
  const char* status = (const char*)(uintptr_t)r.eax;
  check(r.bytesRemoved == 4 && status != NULL && strstr(status, "STATICPCL") != NULL,
        "Error removes 4 bytes and returns the status text");
  r = CallInts(error, 0, 1, 0, 0);
  check(r.bytesRemoved == 4 && r.eax == 0, "Error on an unknown handle returns NULL");

  printf(failures ? "stdcall: %d checks failed\n" : "stdcall: all checks passed\n", failures);
  return failures == 0 ? 0 : 1;
}
