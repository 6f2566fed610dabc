// Feeds arbitrary bytes to the box-level reply parser, cut into arbitrary
// blocks as a network read could deliver them. The parser must stay inside
// each block and keep every stored value defined.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "net/box_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  zeb::BoxLevels boxes[zeb::kDownloadedBoxCount] = {};
  while (in.remaining_bytes() > 0) {
    const size_t blockSize = in.ConsumeIntegralInRange<size_t>(0, 4096);
    // A block of its own, exactly as long as the read delivered, so that the
    // sanitizers see any read past its end.
    const std::vector<char> block = in.ConsumeBytes<char>(blockSize);
    zeb::ApplyBoxReplyBlock(block.data(), block.size(), boxes);
  }
  for (const zeb::BoxLevels& box : boxes) {
    if (box.count < 0) {
      std::fprintf(stderr, "a negative count was stored\n");
      std::abort();
    }
  }
  return 0;
}
