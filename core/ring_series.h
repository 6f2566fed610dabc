#pragma once

#include <cstdint>
#include <memory>
#include <new>

namespace zeb {

class Indicator;

// Fixed-capacity ring buffer read "k bars back" (k = 0 is the newest element).
// Storage is zero-filled at construction and never grows, shrinks or moves, so
// a value never written reads as zero. When the storage cannot be allocated the
// series still works but reads 0 and ignores writes.
template <typename T, int32_t DefaultCapacity>
class BasicRingSeries {
 public:
  explicit BasicRingSeries(int32_t requestedCapacity = DefaultCapacity)
      : capacity_(requestedCapacity > 0 ? requestedCapacity : DefaultCapacity),
        storage_(new (std::nothrow) T[static_cast<size_t>(capacity_)](), Storage{true}) {}

  int32_t Capacity() const { return capacity_; }
  bool HasStorage() const { return storage_ != nullptr; }

  // Value k bars back. Callers keep k within 0..capacity; anything else reads 0
  // instead of touching memory outside the storage.
  T Get(int32_t k) const { return At(k); }

  // The newest element, Get(0), without the bounds test a general k needs.
  T Newest() const { return storage_ ? storage_[static_cast<size_t>(position_)] : T(); }

  // A run of contiguous storage, oldest element first.
  struct Stretch {
    const T* data = nullptr;
    int32_t count = 0;
  };

  // The elements firstBack .. firstBack + count - 1 bars back as at most two
  // stretches of the storage, each oldest first, the older one first (an
  // element k bars back with k = capacity is the newest again and shows up
  // in both). Returns how many stretches were written: 0 for count <= 0, and
  // -1, writing nothing, when the window lies outside the contract or there
  // is no storage (the caller then reads through Get or ForEachBack).
  int32_t Stretches(int32_t firstBack, int32_t count, Stretch (&out)[2]) const {
    if (count <= 0) return 0;
    if (!Walkable(firstBack, count)) return -1;
    int32_t newest = position_ - firstBack;
    if (newest < 0) newest += capacity_;
    const int32_t oldest = newest - count + 1;
    const T* const data = storage_.get();
    if (oldest >= 0) {
      out[0] = Stretch{data + oldest, count};
      return 1;
    }
    out[0] = Stretch{data + capacity_ + oldest, -oldest};
    out[1] = Stretch{data, newest + 1};
    return 2;
  }

  // Calls visit(value) for the elements firstBack, firstBack + 1, ...,
  // firstBack + count - 1 bars back, newest first, each as Get reads it.
  // Within the contract (0 <= firstBack, firstBack + count - 1 <= capacity)
  // the storage is walked through its stretches, without a test per element;
  // anything else goes element by element through the checked read.
  template <typename Visit>
  void ForEachBack(int32_t firstBack, int32_t count, Visit&& visit) const {
    Stretch parts[2];
    const int32_t stretches = Stretches(firstBack, count, parts);
    if (stretches < 0) {
      for (int64_t k = 0; k < count; ++k) visit(At(firstBack + k));
      return;
    }
    WalkNewestFirst(parts, stretches, [&visit](const Stretch& part) {
      for (int32_t i = part.count - 1; i >= 0; --i) visit(part.data[i]);
    });
  }

  // Like ForEachBack over this series and `other` together: calls
  // visit(value, otherValue) for each element, both read as Get reads them.
  // Series of one capacity whose newest elements share a slot (pushed
  // together) are walked through the same stretches of both storages.
  template <typename Visit>
  void ForEachBackWith(const BasicRingSeries& other, int32_t firstBack, int32_t count,
                       Visit&& visit) const {
    Stretch parts[2];
    const int32_t stretches =
        other.storage_ && other.position_ == position_ && other.capacity_ == capacity_
            ? Stretches(firstBack, count, parts)
            : -1;
    if (stretches < 0) {
      for (int64_t k = 0; k < count; ++k) visit(At(firstBack + k), other.At(firstBack + k));
      return;
    }
    // The same slots of the other storage.
    const T* const storage = storage_.get();
    const T* const otherStorage = other.storage_.get();
    WalkNewestFirst(parts, stretches, [&visit, storage, otherStorage](const Stretch& part) {
      const T* const otherData = otherStorage + (part.data - storage);
      for (int32_t i = part.count - 1; i >= 0; --i) visit(part.data[i], otherData[i]);
    });
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
  // Calls walk(stretch) for the `stretches` (0 to 2) that Stretches wrote,
  // the newer one first; walk visits a stretch's elements newest first.
  template <typename Walk>
  static void WalkNewestFirst(const Stretch (&parts)[2], int32_t stretches, Walk&& walk) {
    if (stretches == 2) walk(parts[1]);
    if (stretches >= 1) walk(parts[0]);
  }

  // Whether the storage may be handed out in stretches: it exists and the
  // elements lie within the contract.
  bool Walkable(int32_t firstBack, int32_t count) const {
    return storage_ && firstBack >= 0 && int64_t{count} <= int64_t{capacity_} + 1 - firstBack;
  }

  // Value k bars back: one wrap by the capacity; whatever lies outside the
  // storage after it reads as zero.
  T At(int64_t k) const {
    int64_t index = position_ - k;
    if (index < 0) index += capacity_;
    if (!storage_ || index < 0 || index >= capacity_) return T();
    return storage_[static_cast<size_t>(index)];
  }

  // Owned storage is freed with the series; a column of a shared block is not.
  struct Storage {
    bool owned;
    void operator()(T* data) const {
      if (owned) delete[] data;
    }
  };

  // The bar series of an Indicator lie over the columns of one block that the
  // Indicator owns, and its bar store moves their positions together.
  friend class Indicator;
  // Over `capacity` zero-filled elements owned elsewhere (null: no storage).
  BasicRingSeries(T* column, int32_t capacity)
      : capacity_(capacity), storage_(column, Storage{false}) {}

  int32_t capacity_;
  int32_t position_ = 0;
  std::unique_ptr<T[], Storage> storage_;
};

using RingSeries = BasicRingSeries<double, 100>;
using IntRingSeries = BasicRingSeries<int32_t, 50>;

}  // namespace zeb
