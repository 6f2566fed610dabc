#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "net/box_levels.h"

namespace zeb {

// Largest block of the reply read and parsed at once, and the longest line
// the reply reader keeps.
constexpr size_t kBoxReplyBlockSize = 100023;

// Applies a box-level reply to `boxes` as its blocks arrive. Each block's text
// ends at its first zero byte; the texts of successive blocks continue one
// another, so a line that a block boundary cuts is completed by the next block
// before it is applied. Lines end at line feeds; a line is cut into fields at
// colons, empty fields dropped; group g (fields 4g..4g+3: three levels and a
// count) updates box g when all four fields are present, every one of them
// reads within the double range, and the count reads greater than 0 and below
// 2^31. A line longer than one block is dropped whole, so memory stays at one
// block plus one partial line.
class BoxReplyReader {
 public:
  explicit BoxReplyReader(BoxLevels boxes[kDownloadedBoxCount]);

  // False when the partial-line buffer could not be allocated; Feed and
  // Finish then do nothing.
  bool Ready() const { return line_ != nullptr; }

  // Applies every line the block completes and keeps its unfinished last line.
  void Feed(const char* data, size_t size);

  // The reply has ended as its framing says: applies the last line, which
  // needs no line feed. A reply cut off before its end skips this, so its
  // unfinished last line is never applied.
  void Finish();

 private:
  void Append(const char* begin, const char* end);

  BoxLevels* boxes_;
  std::unique_ptr<char[]> line_;  // the unfinished line, kBoxReplyBlockSize bytes
  size_t length_ = 0;
  bool dropping_ = false;  // the unfinished line outgrew the buffer
};

// Applies a whole reply held in memory: BoxReplyReader's rules, with the text
// ending at its first zero byte and the last line applied without a line feed.
void ApplyBoxReplyText(const char* data, size_t size, BoxLevels boxes[kDownloadedBoxCount]);

}  // namespace zeb
