#pragma once

#include <cstdint>
#include <memory>
#include <new>

namespace zeb {

// Fixed-capacity ring buffer read "k bars back" (k = 0 is the newest element).
// Storage is zero-filled at construction and never grows, shrinks or moves, so
// a value never written reads as zero. When the storage cannot be allocated the
// series still works but reads 0 and ignores writes.
template <typename T, int32_t DefaultCapacity>
class BasicRingSeries {
 public:
  explicit BasicRingSeries(int32_t requestedCapacity = DefaultCapacity)
      : capacity_(requestedCapacity > 0 ? requestedCapacity : DefaultCapacity),
        storage_(new (std::nothrow) T[static_cast<size_t>(capacity_)]()) {}

  int32_t Capacity() const { return capacity_; }
  bool HasStorage() const { return storage_ != nullptr; }

  // Value k bars back. Callers keep k within 0..capacity; anything else reads 0
  // instead of touching memory outside the storage.
  T Get(int32_t k) const {
    int64_t index = static_cast<int64_t>(position_) - k;
    if (index < 0) index += capacity_;
    if (!storage_ || index < 0 || index >= capacity_) return T();
    return storage_[static_cast<size_t>(index)];
  }

  void SetCurrent(T value) {
    if (storage_) storage_[static_cast<size_t>(position_)] = value;
  }

  void Push(T value) {
    if (++position_ >= capacity_) position_ = 0;
    if (storage_) storage_[static_cast<size_t>(position_)] = value;
  }

  // Pushes `value` `count` times. Once every slot holds the value further
  // pushes change nothing that can be read, so the work stops at one fill.
  void PushRepeated(T value, int64_t count) {
    const int64_t pushes = count < capacity_ ? count : capacity_;
    for (int64_t i = 0; i < pushes; ++i) Push(value);
  }

 private:
  int32_t capacity_;
  int32_t position_ = 0;
  std::unique_ptr<T[]> storage_;
};

using RingSeries = BasicRingSeries<double, 100>;
using IntRingSeries = BasicRingSeries<int32_t, 50>;

}  // namespace zeb
