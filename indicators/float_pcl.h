#pragma once

#include "indicators/swing_pivot_indicator.h"

namespace zeb {

// Pivot levels that float with the market: the range behind the pivot, its
// three support levels below and three resistance levels above is that of the
// swing just ended, a swing ending at each RSI turn whose code reaches the
// threshold. The levels hold until the next such turn; prices near them are
// where the last swing's range suggests the market may stall or turn.
class FloatPCL : public SwingPivotIndicator {
 public:
  static const IndicatorInfo kInfo;

  void Reset() override;

 protected:
  void CompleteSwing(double& /*high*/, double& /*low*/) override {}
};

}  // namespace zeb
