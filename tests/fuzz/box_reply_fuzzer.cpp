// Feeds arbitrary bytes to the box-level reply reader, cut into arbitrary
// blocks as a network read could deliver them. The reader must stay inside
// each block, keep every stored value defined, and give the boxes the whole
// reply gives when read at once: block boundaries must not change a line.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/box_reply.h"

namespace {

bool SameBoxes(const zeb::BoxLevels* a, const zeb::BoxLevels* b) {
  for (int32_t g = 0; g < zeb::kDownloadedBoxCount; ++g) {
    // Compared as bits: -0.0 and 0.0 differ, and no NaN is ever stored.
    if (std::memcmp(&a[g].level0, &b[g].level0, sizeof(double)) != 0 ||
        std::memcmp(&a[g].level1, &b[g].level1, sizeof(double)) != 0 ||
        std::memcmp(&a[g].level2, &b[g].level2, sizeof(double)) != 0 || a[g].count != b[g].count) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  zeb::BoxLevels boxes[zeb::kDownloadedBoxCount] = {};
  zeb::BoxReplyReader reader(boxes);
  std::string whole;
  while (in.remaining_bytes() > 0) {
    const size_t blockSize = in.ConsumeIntegralInRange<size_t>(0, 4096);
    // A block of its own, exactly as long as the read delivered, so that the
    // sanitizers see any read past its end.
    const std::vector<char> block = in.ConsumeBytes<char>(blockSize);
    reader.Feed(block.data(), block.size());
    whole.append(block.begin(), block.end());
  }
  reader.Finish();
  for (const zeb::BoxLevels& box : boxes) {
    if (box.count < 0) {
      std::fprintf(stderr, "a negative count was stored\n");
      std::abort();
    }
  }
  // Without zero bytes (which end only their own block's text) and without
  // lines too long to keep, the blocks read as the whole text does.
  if (whole.find('\0') == std::string::npos && whole.size() <= zeb::kBoxReplyBlockSize) {
    zeb::BoxLevels once[zeb::kDownloadedBoxCount] = {};
    zeb::ApplyBoxReplyText(whole.data(), whole.size(), once);
    if (!SameBoxes(boxes, once)) {
      std::fprintf(stderr, "block boundaries changed the boxes\n");
      std::abort();
    }
  }
  return 0;
}
