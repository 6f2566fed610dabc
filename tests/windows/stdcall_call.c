#include "stdcall_call.h"

/* uint32_t zeb_raw_call(void* fn, const void* args, uint32_t bytes,
 *                       uint32_t* eax, double* st0)                    (cdecl)
 * Returns the bytes the callee removed. EBX, ESI, EDI and EBP survive the call
 * under both conventions, so EBP still frames the arguments afterwards. */
__asm__(
    ".text\n"
    ".globl _zeb_raw_call\n"
    "_zeb_raw_call:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 16(%ebp), %ecx\n"
    "  subl %ecx, %esp\n"
    "  andl $-16, %esp\n"
    "  movl %esp, %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  cld\n"
    "  rep movsb\n"
    "  movl %esp, %ebx\n"
    "  call *8(%ebp)\n"
    "  movl %esp, %ecx\n"
    "  subl %ebx, %ecx\n"
    "  movl 20(%ebp), %edx\n"
    "  movl %eax, (%edx)\n"
    "  movl 24(%ebp), %edx\n"
    "  testl %edx, %edx\n"
    "  jz 1f\n"
    "  fstpl (%edx)\n"
    "1:\n"
    "  movl %ecx, %eax\n"
    "  leal -12(%ebp), %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

uint32_t zeb_raw_call(void* fn, const void* args, uint32_t bytes, uint32_t* eax, double* st0);

CallResult CallMeasured(void* fn, const void* args, uint32_t bytes, int wantsDouble) {
  CallResult r = {0, 0, 0.0};
  r.bytesRemoved = zeb_raw_call(fn, args, bytes, &r.eax, wantsDouble ? &r.st0 : 0);
  return r;
}
