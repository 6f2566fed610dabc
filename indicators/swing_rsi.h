#pragma once

#include "components/profile_parts.h"
#include "components/rsi_turn_detector.h"
#include "core/indicator.h"
#include "core/indicator_info.h"
#include "net/box_levels.h"

namespace zeb {

// Price box timed by RSI turns. Whenever the turn detector signals a turn of
// at least `signalThreshold` strength, the volume-at-price profile of the last
// `profileLookback` + 1 bars is rebuilt in 10 bins and the box around its
// fullest bin is published: outputs 0..2 are the lower edge, the peak level and
// the upper edge, where volume thins to half the peak. Price tends to return to
// the peak level inside the box and to move away once it leaves the box.
// On request (parameter 3 = 1.0) the instance also downloads, once in its life,
// up to five boxes for its symbol and interval from the box-level service and
// publishes each as count, level2, level1, level0 (outputs 3 + 4g .. 6 + 4g).
class SwingRSI : public Indicator {
 public:
  static constexpr int32_t kBinCount = 10;
  static constexpr int32_t kMaxLookback = kMaxWindow;
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  RsiTurnDetector detector;
  // The window of the last box built: the next box's window is the same
  // stretch moved on, so only the bars that entered it are spanned anew.
  ProfileCache boxProfile;
  int32_t signalThreshold = 0;
  int32_t profileLookback = 0;
  double boxLow = 0.0;
  double boxPeak = 0.0;
  double boxHigh = 0.0;
  bool downloadDone = false;
  bool downloadRequested = false;
  int32_t interval = 0;
  BoxLevels downloadedBoxes[kDownloadedBoxCount] = {};

 private:
  // The one download attempt: 0 when it ran to its end, -2 or -3 when it could
  // not open (see FetchBoxLevels). Never runs again, whatever the outcome.
  int32_t DownloadBoxLevels();
};

}  // namespace zeb
