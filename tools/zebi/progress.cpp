#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace zebi {
namespace {

constexpr auto kDelay = std::chrono::milliseconds(300);
constexpr auto kInterval = std::chrono::milliseconds(100);
constexpr int kWidth = 30;

}  // namespace

Progress::Progress(std::string label, size_t total)
    : label_(std::move(label)),
      total_(total),
      enabled_(isatty(fileno(stderr)) != 0),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

Progress::~Progress() {
  if (shown_) std::fprintf(stderr, "\r%*s\r", kWidth + static_cast<int>(label_.size()) + 16, "");
}

void Progress::Advance(size_t done) {
  // Reading the clock costs more than a bar: look only every 256 steps.
  if (!enabled_ || (++calls_ & 255) != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kDelay || now - lastDraw_ < kInterval) return;
  lastDraw_ = now;
  Draw(done);
}

void Progress::Draw(size_t done) {
  if (total_ == 0) {
    std::fprintf(stderr, "\r%s %zu", label_.c_str(), done);
    std::fflush(stderr);
    shown_ = true;
    return;
  }
  const double fraction =
      done >= total_ ? 1.0 : static_cast<double>(done) / static_cast<double>(total_);
  const int filled = static_cast<int>(fraction * kWidth);
  std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
               "##############################", kWidth - filled, "",
               static_cast<int>(fraction * 100));
  std::fflush(stderr);
  shown_ = true;
}

}  // namespace zebi
