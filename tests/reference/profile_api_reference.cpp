// Built inside the reference library, where the token zeb names the
// namespace zeb_reference: the volume profile and node segmentation as first
// written, over bars given directly.
#include "components/volume_profile.h"
#include "core/indicator.h"
#include "profile_api.h"

namespace zeb_reference::api {
namespace {

// Holds the bars the profile reads, written straight into the series so that
// values the bar store would replace reach the profile.
struct BarStore : zeb::Indicator {
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool) override { return 0; }
};

}  // namespace

void BuildAndSegment(const ProfileBars& bars, const ProfileRequest& request,
                     ProfileResult& result) {
  BarStore store;
  for (int32_t k = 0; k < bars.count; ++k) {
    store.lowSeries.Push(bars.low[k]);
    store.highSeries.Push(bars.high[k]);
    store.volumeSeries.Push(bars.volume[k]);
  }
  zeb::BuildVolumeProfile(store, result.profile, request.binCount, request.firstBack,
                          request.lastBack, request.scale, result.lowest, result.highest);
  Segment(request.binCount, result);
}

void Segment(int32_t binCount, ProfileResult& result) {
  // Lists the segmentation leaves untouched keep the caller's counts.
  zeb::ProfileNodes nodes;
  nodes.peakCount = result.peakCount;
  nodes.boundCount = result.boundCount;
  zeb::SegmentProfile(result.profile, binCount, nodes);
  result.peakCount = nodes.peakCount;
  result.boundCount = nodes.boundCount;
  for (int32_t i = 0; i < nodes.peakCount; ++i) result.peaks[i] = nodes.peaks[i];
  for (int32_t i = 0; i < nodes.boundCount; ++i) result.bounds[i] = nodes.bounds[i];
}

}  // namespace zeb_reference::api
