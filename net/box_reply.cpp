#include "net/box_reply.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "net/classic_number.h"

namespace zeb {
namespace {

constexpr int32_t kFieldsPerBox = 4;
constexpr int32_t kFieldsPerLine = kFieldsPerBox * kDownloadedBoxCount;
// Counts from here on do not fit a 32-bit count.
constexpr double kCountLimit = 2147483648.0;

struct Field {
  const char* begin;
  const char* end;
};

// Reads a field; `overflowed` is set when its number lies beyond the double range.
double Read(const Field& field, bool& overflowed) {
  bool beyond = false;
  const double value = ReadClassicDouble(field.begin, field.end, &beyond);
  overflowed = overflowed || beyond;
  return value;
}

// Collects the first 20 non-empty colon-separated fields of [begin, end).
int32_t SplitFields(const char* begin, const char* end, Field fields[kFieldsPerLine]) {
  int32_t count = 0;
  const char* start = begin;
  for (const char* p = begin; count < kFieldsPerLine; ++p) {
    if (p != end && *p != ':') continue;
    if (p != start) fields[count++] = Field{start, p};
    if (p == end) break;
    start = p + 1;
  }
  return count;
}

void ApplyLine(const char* begin, const char* end, BoxLevels boxes[kDownloadedBoxCount]) {
  Field fields[kFieldsPerLine];
  const int32_t fieldCount = SplitFields(begin, end, fields);
  for (int32_t g = 0; g < kDownloadedBoxCount; ++g) {
    const int32_t first = g * kFieldsPerBox;
    if (first + kFieldsPerBox > fieldCount) break;
    bool overflowed = false;
    const double count = Read(fields[first + 3], overflowed);
    if (!(count > 0.0) || count >= kCountLimit) continue;
    const double level0 = Read(fields[first], overflowed);
    const double level1 = Read(fields[first + 1], overflowed);
    const double level2 = Read(fields[first + 2], overflowed);
    if (overflowed) continue;
    boxes[g] = BoxLevels{level0, level1, level2, static_cast<int32_t>(count)};
  }
}

// End of a block's text: its first zero byte, or its end.
const char* TextEnd(const char* data, size_t size) {
  const void* zero = std::memchr(data, '\0', size);
  return zero ? static_cast<const char*>(zero) : data + size;
}

}  // namespace

BoxReplyReader::BoxReplyReader(BoxLevels boxes[kDownloadedBoxCount])
    : boxes_(boxes), line_(new (std::nothrow) char[kBoxReplyBlockSize]) {}

void BoxReplyReader::Append(const char* begin, const char* end) {
  const auto size = static_cast<size_t>(end - begin);
  if (dropping_) return;
  if (size > kBoxReplyBlockSize - length_) {
    dropping_ = true;
    length_ = 0;
    return;
  }
  std::memcpy(line_.get() + length_, begin, size);
  length_ += size;
}

void BoxReplyReader::Feed(const char* data, size_t size) {
  if (!data || !line_) return;
  const char* end = TextEnd(data, size);
  for (const char* p = data; p != end;) {
    const void* feed = std::memchr(p, '\n', static_cast<size_t>(end - p));
    if (!feed) {
      Append(p, end);
      return;
    }
    const char* lineEnd = static_cast<const char*>(feed);
    if (length_ == 0 && !dropping_) {
      ApplyLine(p, lineEnd, boxes_);  // whole within this block: no copy
    } else {
      Append(p, lineEnd);
      if (!dropping_) ApplyLine(line_.get(), line_.get() + length_, boxes_);
    }
    length_ = 0;
    dropping_ = false;
    p = lineEnd + 1;
  }
}

void BoxReplyReader::Finish() {
  if (line_ && !dropping_) ApplyLine(line_.get(), line_.get() + length_, boxes_);
  length_ = 0;
  dropping_ = false;
}

void ApplyBoxReplyText(const char* data, size_t size, BoxLevels boxes[kDownloadedBoxCount]) {
  if (!data) return;
  const char* end = TextEnd(data, size);
  const char* line = data;
  while (line != end) {
    const void* feed = std::memchr(line, '\n', static_cast<size_t>(end - line));
    const char* lineEnd = feed ? static_cast<const char*>(feed) : end;
    ApplyLine(line, lineEnd, boxes);
    line = feed ? lineEnd + 1 : end;
  }
}

}  // namespace zeb
