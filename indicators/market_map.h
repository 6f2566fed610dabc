#pragma once

#include "components/profile_parts.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Volume-at-price profile of a fixed window of recent bars. The window runs
// between two bar offsets; its price range is cut into `binCount` bins and
// each bar's volume is spread over the bins its range covers. Outputs 0 and 1
// give the range, outputs 100 + bin the profile (largest bin 1.0) and outputs
// 500 + bin mark the high-volume nodes: 2 at a node's peak, 1 where a node
// begins. Prices trade readily inside a node and move quickly between nodes.
class MarketMap : public Indicator {
 public:
  static constexpr int32_t kMaxBins = 199;
  static constexpr int32_t kMaxBack = kMaxWindow;
  static constexpr int32_t kProfileSize = 200;
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  int32_t binCount = 0;
  int32_t firstBack = 0;
  int32_t lastBack = 0;
  double lowest = 0.0;
  double highest = 0.0;
  double profile[kProfileSize] = {};
  double nodeMarks[kProfileSize] = {};

 protected:
  // Rebuilds the profile of the bars between the two offsets (either order)
  // and marks its nodes.
  void MapWindow(int32_t oneBack, int32_t otherBack);

 private:
  // The last window's work, which the next one takes over where it can.
  ProfileCache cache_;
};

}  // namespace zeb
