#include "net/box_reply.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "net/classic_number.h"

namespace zeb {
namespace {

constexpr int32_t kFieldsPerBox = 4;
constexpr int32_t kFieldsPerLine = kFieldsPerBox * kDownloadedBoxCount;

struct Field {
  const char* begin;
  const char* end;
};

double Read(const Field& field) {
  return ReadClassicDouble(field.begin, field.end);
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
    const double count = Read(fields[first + 3]);
    if (!(count > 0.0)) continue;
    BoxLevels& box = boxes[g];
    box.count = BoxCountFromField(count);
    box.level0 = Read(fields[first]);
    box.level1 = Read(fields[first + 1]);
    box.level2 = Read(fields[first + 2]);
  }
}

}  // namespace

int32_t BoxCountFromField(double count) {
  constexpr double kAbove = 2147483648.0;   // first value beyond INT32_MAX
  constexpr double kBelow = -2147483649.0;  // first value beyond INT32_MIN
  if (count >= kAbove) return std::numeric_limits<int32_t>::max();
  if (count <= kBelow) return std::numeric_limits<int32_t>::min();
  if (!(count == count)) return 0;
  return static_cast<int32_t>(count);
}

void ApplyBoxReplyBlock(const char* data, size_t size, BoxLevels boxes[kDownloadedBoxCount]) {
  if (!data) return;
  const void* zero = std::memchr(data, '\0', size);
  const char* end = zero ? static_cast<const char*>(zero) : data + size;
  const char* line = data;
  while (line != end) {
    const void* feed = std::memchr(line, '\n', static_cast<size_t>(end - line));
    const char* lineEnd = feed ? static_cast<const char*>(feed) : end;
    ApplyLine(line, lineEnd, boxes);
    line = feed ? lineEnd + 1 : end;
  }
}

}  // namespace zeb
