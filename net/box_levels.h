#pragma once

#include <cstdint>

namespace zeb {

// One price box downloaded from the box-level service: three levels as the
// reply line lists them and the count that came with them.
struct BoxLevels {
  double level0 = 0.0;
  double level1 = 0.0;
  double level2 = 0.0;
  int32_t count = 0;
};

constexpr int32_t kDownloadedBoxCount = 5;

}  // namespace zeb
