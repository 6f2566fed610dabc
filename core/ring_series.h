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
  T Get(int32_t k) const { return At(k); }

  // Calls visit(value) for the elements firstBack, firstBack + 1, ...,
  // firstBack + count - 1 bars back, newest first, each as Get reads it.
  // Within the contract (0 <= firstBack, firstBack + count - 1 <= capacity)
  // the storage is walked as contiguous runs, without a test per element;
  // anything else goes element by element through the checked read.
  template <typename Visit>
  void ForEachBack(int32_t firstBack, int32_t count, Visit&& visit) const {
    if (count <= 0) return;
    if (!storage_ || firstBack < 0 || int64_t{count} > int64_t{capacity_} + 1 - firstBack) {
      for (int64_t k = 0; k < count; ++k) visit(At(firstBack + k));
      return;
    }
    const T* const data = storage_.get();
    int32_t index = position_ - firstBack;
    if (index < 0) index += capacity_;
    while (count > 0) {
      // From `index` down to slot 0, then on from the last slot.
      const int32_t run = count <= index ? count : index + 1;
      for (int32_t i = index; i > index - run; --i) visit(data[i]);
      count -= run;
      index = capacity_ - 1;
    }
  }

  void SetCurrent(T value) {
    if (storage_) storage_[static_cast<size_t>(position_)] = value;
  }

  void Push(T value) {
    if (++position_ >= capacity_) position_ = 0;
    if (storage_) storage_[static_cast<size_t>(position_)] = value;
  }

  // Push on each series with its value: PushEach(a, x, b, y, ...). Series of
  // one capacity that have always been pushed together share their position:
  // it is advanced once for all of them. A series that does not share it is
  // pushed on its own.
  template <typename... Rest>
  static void PushEach(BasicRingSeries& first, T value, Rest&&... rest) {
    const int32_t shared = first.position_;
    const int32_t next = shared + 1 >= first.capacity_ ? 0 : shared + 1;
    StoreNext(shared, first.capacity_, next, first, value, rest...);
  }

  // Pushes `value` `count` times. Once every slot holds the value further
  // pushes change nothing that can be read, so the work stops at one fill.
  void PushRepeated(T value, int64_t count) {
    const int64_t pushes = count < capacity_ ? count : capacity_;
    for (int64_t i = 0; i < pushes; ++i) Push(value);
  }

 private:
  static void StoreNext(int32_t, int32_t, int32_t) {}
  template <typename... Rest>
  static void StoreNext(int32_t shared, int32_t capacity, int32_t next, BasicRingSeries& series,
                        T value, Rest&&... rest) {
    if (series.position_ == shared && series.capacity_ == capacity) {
      series.position_ = next;
      if (series.storage_) series.storage_[static_cast<size_t>(next)] = value;
    } else {
      series.Push(value);
    }
    StoreNext(shared, capacity, next, rest...);
  }

  // Value k bars back: one wrap by the capacity; whatever lies outside the
  // storage after it reads as zero.
  T At(int64_t k) const {
    int64_t index = position_ - k;
    if (index < 0) index += capacity_;
    if (!storage_ || index < 0 || index >= capacity_) return T();
    return storage_[static_cast<size_t>(index)];
  }

  int32_t capacity_;
  int32_t position_ = 0;
  std::unique_ptr<T[]> storage_;
};

using RingSeries = BasicRingSeries<double, 100>;
using IntRingSeries = BasicRingSeries<int32_t, 50>;

}  // namespace zeb
