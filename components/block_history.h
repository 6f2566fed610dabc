#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace zeb {

// Append-only sequence of doubles kept in fixed-size blocks. Growing never
// copies or moves what is stored, so every append costs the same at any
// length, and a long history needs no large contiguous allocation (which a
// 32-bit process may be unable to find long before memory runs out).
class BlockHistory {
 public:
  static constexpr size_t kBlockSize = 1024;

  size_t Size() const { return size_; }
  double operator[](size_t i) const { return blocks_[i / kBlockSize][i % kBlockSize]; }
  // The newest entry; the history must not be empty.
  double& Back() { return blocks_[(size_ - 1) / kBlockSize][(size_ - 1) % kBlockSize]; }

  // Appends `value`; false, with nothing changed, when no memory is left.
  bool Append(double value) noexcept {
    if (size_ == blocks_.size() * kBlockSize) {
      std::unique_ptr<double[]> block(new (std::nothrow) double[kBlockSize]);
      if (!block) return false;
      try {
        blocks_.push_back(std::move(block));
      } catch (...) {
        return false;
      }
    }
    blocks_[size_ / kBlockSize][size_ % kBlockSize] = value;
    ++size_;
    return true;
  }

  // Empties the history and gives its memory back.
  void Clear() noexcept {
    std::vector<std::unique_ptr<double[]>>().swap(blocks_);
    size_ = 0;
  }

 private:
  std::vector<std::unique_ptr<double[]>> blocks_;
  size_t size_ = 0;
};

}  // namespace zeb
