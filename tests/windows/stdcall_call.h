/* Calls a function through a raw argument block and measures how many
 * argument bytes the callee removed from the stack (a stdcall callee removes
 * its own arguments, a cdecl one removes none). */
#ifndef ZEB_STDCALL_CALL_H
#define ZEB_STDCALL_CALL_H

#include <stdint.h>

typedef struct {
  uint32_t bytesRemoved; /* ESP after the call minus ESP at the call */
  uint32_t eax;          /* integer or pointer result */
  double st0;            /* floating-point result, when asked for */
} CallResult;

/* Copies `bytes` of `args` onto a fresh stack area, calls `fn` and restores
 * the stack whatever the callee did. With `wantsDouble` the x87 result
 * register is popped into `st0`. */
CallResult CallMeasured(void* fn, const void* args, uint32_t bytes, int wantsDouble);

#endif
