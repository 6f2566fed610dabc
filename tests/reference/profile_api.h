#pragma once

#include <cstdint>

// The volume profile and node segmentation of the reference library, over
// bars given oldest first (the last one is offset 0).
namespace zeb_reference::api {

struct ProfileBars {
  const double* low;
  const double* high;
  const double* volume;
  int32_t count;
};

struct ProfileRequest {
  int32_t binCount;
  int32_t firstBack;
  int32_t lastBack;
  double scale;
};

struct ProfileResult {
  double profile[202];
  double lowest;
  double highest;
  int32_t peaks[50];
  int32_t peakCount;
  int32_t bounds[50];
  int32_t boundCount;
};

void BuildAndSegment(const ProfileBars& bars, const ProfileRequest& request, ProfileResult& result);

// The segmentation alone, of result.profile, into the result's lists.
void Segment(int32_t binCount, ProfileResult& result);

}  // namespace zeb_reference::api
