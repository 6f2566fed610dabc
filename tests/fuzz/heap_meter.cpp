#include "heap_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in a header so that delete can subtract it.
constexpr size_t kHeader = alignof(std::max_align_t);
std::atomic<size_t> liveBytes{0};

void* Allocate(size_t size) {
  void* raw = std::malloc(size + kHeader);
  if (!raw) return nullptr;
  *static_cast<size_t*>(raw) = size;
  liveBytes += size;
  return static_cast<char*>(raw) + kHeader;
}

void Release(void* block) {
  if (!block) return;
  void* raw = static_cast<char*>(block) - kHeader;
  liveBytes -= *static_cast<size_t*>(raw);
  std::free(raw);
}

}  // namespace

size_t zeb::fuzz::LiveHeapBytes() {
  return liveBytes.load();
}

void* operator new(size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, size_t) noexcept {
  Release(block);
}
