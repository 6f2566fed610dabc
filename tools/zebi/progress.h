#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace zebi {

// A progress bar on stderr for work that takes long enough to notice. It
// appears only when stderr is a terminal and the work has run for a moment,
// redraws a few times a second, and erases itself when done. With a total of
// 0 (a size not known in advance) it shows how much is done instead.
class Progress {
 public:
  Progress(std::string label, size_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Advance(size_t done);

 private:
  void Draw(size_t done);

  std::string label_;
  size_t total_;
  bool enabled_;
  bool shown_ = false;
  size_t calls_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace zebi
