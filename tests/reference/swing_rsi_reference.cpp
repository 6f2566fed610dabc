#include <cstdlib>
#include <iterator>

#include "components/parameter_table.h"
#include "components/profile_box.h"
#include "components/series_stats.h"
#include "components/volume_profile.h"
#include "indicators/swing_rsi.h"
#include "net/box_download.h"

namespace zeb {
namespace {

constexpr int32_t kFirstBoxOutput = 3;
constexpr int32_t kOutputsPerBox = 4;
constexpr double kProfileScale = 100.0;

constexpr ParameterRow<SwingRSI> kParameterRows[] = {
    IntegerParameter<SwingRSI>(0, "period")
        .Default(5)
        .Range(1, Indicator::kMaxWindow)
        .Restarts(&SwingRSI::detector)
        .Describe("RSI period of the turn detector; setting it restarts the detector's warm-up"),
    IntegerParameter(1, "signalThreshold", &SwingRSI::signalThreshold)
        .Default(1)
        .Range(1, 3)
        .Describe("smallest turn strength (absolute signal code) that rebuilds the box"),
    IntegerParameter(2, "profileLookback", &SwingRSI::profileLookback)
        .Default(10)
        .Range(1, SwingRSI::kMaxLookback)
        .Describe("oldest bar offset of the profile window (0 is the newest bar)"),
    FlagParameter(3, "download", &SwingRSI::downloadRequested)
        .Default(0)
        .OneShot()
        .Use(ParameterUse::Download)
        .Describe(
            "exactly 1 requests the one download of box levels, made on the next calculated bar"),
    IntegerParameter(4, "interval", &SwingRSI::interval)
        .Default(1)
        .Range(1, 4)
        .Use(ParameterUse::Download)
        .Describe("interval code sent with the download"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "boxLow", "lower edge of the box around the profile peak", OutputRole::BandLow},
    {1, 1, "boxPeak", "price level of the fullest profile bin", OutputRole::Level},
    {2, 2, "boxHigh", "upper edge of the box around the profile peak", OutputRole::BandHigh},
    {3, 3, "box0Count", "count of downloaded box 0", OutputRole::Figure,
     "as the service sends it (0 before a download)"},
    {4, 6, "box0Levels", "levels 2, 1, 0 of downloaded box 0", OutputRole::Level},
    {7, 7, "box1Count", "count of downloaded box 1", OutputRole::Figure,
     "as the service sends it (0 before a download)"},
    {8, 10, "box1Levels", "levels 2, 1, 0 of downloaded box 1", OutputRole::Level},
    {11, 11, "box2Count", "count of downloaded box 2", OutputRole::Figure,
     "as the service sends it (0 before a download)"},
    {12, 14, "box2Levels", "levels 2, 1, 0 of downloaded box 2", OutputRole::Level},
    {15, 15, "box3Count", "count of downloaded box 3", OutputRole::Figure,
     "as the service sends it (0 before a download)"},
    {16, 18, "box3Levels", "levels 2, 1, 0 of downloaded box 3", OutputRole::Level},
    {19, 19, "box4Count", "count of downloaded box 4", OutputRole::Figure,
     "as the service sends it (0 before a download)"},
    {20, 22, "box4Levels", "levels 2, 1, 0 of downloaded box 4", OutputRole::Level},
};

}  // namespace

const IndicatorInfo SwingRSI::kInfo = {
    "SWINGRSI",
    "SwingRSI",
    "Volume-profile box rebuilt at RSI turns, with optional downloaded boxes.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    nullptr,
    false,
    {0,
     {0, 2, -1, -1},
     0,
     -1,
     true,
     "period + profileLookback bars, and until the first turn builds the box"},
    VolumeUse::Total,
    IdleRule::None,
    nullptr,
    "A box around the price where most volume traded over the newest profileLookback + 1 bars, "
    "rebuilt at every turn as strong as signalThreshold: boxPeak is the busiest price, boxLow and "
    "boxHigh the edges where volume falls to half of the peak. Price inside the box is balance; a "
    "close above boxHigh is an upward breakout, below boxLow a downward one. Between turns the box "
    "is not rebuilt, so it describes the bars before the last turn (stale after a long swing). "
    "Downloaded boxes are fetched once per instance and never refreshed.",
};

double SwingRSI::Value(int32_t index) {
  switch (index) {
    case 0:
      return boxLow;
    case 1:
      return boxPeak;
    case 2:
      return boxHigh;
    default:
      break;
  }
  const int32_t last = kFirstBoxOutput + kOutputsPerBox * kDownloadedBoxCount - 1;
  if (index < kFirstBoxOutput || index > last) return 0.0;
  const BoxLevels& box = downloadedBoxes[(index - kFirstBoxOutput) / kOutputsPerBox];
  switch ((index - kFirstBoxOutput) % kOutputsPerBox) {
    case 0:
      return box.count;
    case 1:
      return box.level2;
    case 2:
      return box.level1;
    default:
      return box.level0;
  }
}

void SwingRSI::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void SwingRSI::Reset() {
  ResetTableParameters(kParameterRows, *this);
  downloadDone = false;
  boxLow = boxPeak = boxHigh = 0.0;
  for (BoxLevels& box : downloadedBoxes) box = BoxLevels{};
}

int32_t SwingRSI::Calculate(bool isNewBar) {
  const int32_t signal = detector.UpdateBar(openSeries.Get(0), highSeries.Get(0), lowSeries.Get(0),
                                            closeSeries.Get(0), isNewBar);
  if (std::abs(signal) >= signalThreshold) {
    double profile[kBinCount + 1];
    double lowest = 0.0;
    double highest = 0.0;
    BuildVolumeProfile(*this, profile, kBinCount, 0, profileLookback, kProfileScale, lowest,
                       highest);
    FindProfileBox(profile, kBinCount, lowest, highest, boxHigh, boxPeak, boxLow);
  }
  if (downloadRequested && !downloadDone) return DownloadBoxLevels();
  return 0;
}

int32_t SwingRSI::DownloadBoxLevels() {
  downloadDone = true;
  return FetchBoxLevels(symbol, interval, downloadedBoxes);
}

}  // namespace zeb
