#include "components/volume_profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "components/profile_parts.h"
#include "core/indicator.h"
#include "reference/profile_api.h"

namespace zeb {
namespace {

// A bare bar store: bars are pushed oldest first, so the last one pushed is
// offset 0.
struct BarStore : Indicator {
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool) override { return 0; }
  // Writes the series the profile reads directly: the bar store would replace
  // the unusable values that some tests give the profile itself.
  void Add(double low, double high, double volume) {
    lowSeries.Push(low);
    highSeries.Push(high);
    volumeSeries.Push(volume);
  }
};

struct Built {
  std::vector<double> profile;
  double lowest = 0.0;
  double highest = 0.0;
};

Built Build(const BarStore& store, int32_t binCount, int32_t firstBack, int32_t lastBack,
            double scale = 1.0) {
  Built b;
  b.profile.assign(201, -7.0);
  BuildVolumeProfile(store, b.profile.data(), binCount, firstBack, lastBack, scale, b.lowest,
                     b.highest);
  return b;
}

ProfileNodes Segment(const std::vector<double>& profile) {
  ProfileNodes nodes;
  SegmentProfile(profile.data(), static_cast<int32_t>(profile.size()), nodes);
  return nodes;
}

std::vector<int32_t> Peaks(const ProfileNodes& n) {
  return std::vector<int32_t>(n.peaks, n.peaks + n.peakCount);
}
std::vector<int32_t> Bounds(const ProfileNodes& n) {
  return std::vector<int32_t>(n.bounds, n.bounds + n.boundCount);
}

TEST(VolumeProfile, ThreeBinsWithAClippedBar) {
  BarStore store;
  store.Add(11, 13, 50);
  store.Add(10, 12, 100);
  const Built b = Build(store, 3, 0, 1);
  EXPECT_EQ(b.lowest, 10.0);
  EXPECT_EQ(b.highest, 13.0);
  EXPECT_EQ(b.profile[0], 0.0);
  EXPECT_EQ(b.profile[1], 1.0);
  EXPECT_EQ(b.profile[2], 1.0);
  EXPECT_EQ(b.profile[3], 0.0);  // the extra entry is zeroed too
  EXPECT_EQ(b.profile[4], -7.0);
}

TEST(VolumeProfile, FlatBarFillsBinOne) {
  BarStore store;
  store.Add(5, 5, 30);
  const Built b = Build(store, 10, 0, 0, 100.0);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(b.profile[i], i == 1 ? 100.0 : 0.0) << i;
}

TEST(VolumeProfile, SharesAndBinsAreRoundedToSinglePrecision) {
  BarStore store;
  store.Add(0, 10, 7);  // spans bins 1..11 of binCount 11: bin 11 is clipped
  store.Add(2, 4, 10);  // bins 3..5, a third each
  const Built b = Build(store, 11, 0, 1);
  const double wide = static_cast<float>(7.0 / 11.0);
  const double third = static_cast<float>(10.0 / 3.0);
  const double total = 17.0;
  const double spread = static_cast<float>(wide / total);
  const double peak = static_cast<float>((wide + third) / total);
  EXPECT_EQ(b.profile[1], spread / peak);
  EXPECT_EQ(b.profile[3], peak / peak);
  EXPECT_EQ(b.profile[6], spread / peak);
  EXPECT_EQ(b.profile[0], 0.0);
}

TEST(VolumeProfile, WindowEndsInEitherOrderAndLimited) {
  BarStore store;
  for (int32_t i = 0; i < 320; ++i) store.Add(100.0 + i, 101.0 + i, 1.0 + i);
  const Built forward = Build(store, 20, 2, 5);
  const Built reversed = Build(store, 20, 5, 2);
  EXPECT_EQ(forward.profile, reversed.profile);
  EXPECT_EQ(forward.lowest, 100.0 + 319 - 5);
  // Offset 299 would be the bar with the lowest low; the window stops at 298.
  const Built far = Build(store, 20, 0, 299);
  EXPECT_EQ(far.lowest, 100.0 + 319 - 298);
  EXPECT_EQ(far.profile, Build(store, 20, 298, 0).profile);
}

TEST(VolumeProfile, NearerEndBeyondTheStoredBarsIsLimitedToo) {
  BarStore store;
  for (int32_t i = 0; i < 320; ++i) store.Add(100.0 + i, 101.0 + i, 1.0);
  for (int32_t nearer : {299, 400, 2147483647}) {
    const Built b = Build(store, 10, nearer, 2147483647);
    EXPECT_EQ(b.lowest, 100.0 + 319 - 298) << nearer;
    EXPECT_EQ(b.highest, 101.0 + 319 - 298) << nearer;
    EXPECT_EQ(b.profile, Build(store, 10, 298, 298).profile) << nearer;
  }
  // Negative ends start at the newest bar.
  EXPECT_EQ(Build(store, 10, -5, 0).lowest, 100.0 + 319);
}

TEST(VolumeProfile, PricesWithoutAnIntegerBinFillNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  {
    // A NaN low outside the first bar: the bar fills no bin but its volume
    // still counts in the total.
    BarStore store;
    store.Add(nan, 12, 100);
    store.Add(10, 12, 100);
    const Built b = Build(store, 3, 0, 1);
    EXPECT_EQ(b.lowest, 10.0);
    EXPECT_EQ(b.profile[1], 1.0);
    EXPECT_EQ(b.profile[2], 1.0);
  }
  {
    // An infinite high makes every bin position 0 or NaN.
    BarStore store;
    store.Add(10, inf, 100);
    store.Add(10, 12, 100);
    const Built b = Build(store, 5, 0, 1);
    EXPECT_EQ(b.highest, inf);
    EXPECT_EQ(b.profile[1], 1.0);
    for (int32_t i : {0, 2, 3, 4}) EXPECT_EQ(b.profile[i], 0.0) << i;
  }
  {
    // A bar with its high below its low reaches far outside the range.
    BarStore store;
    store.Add(10, 10 + 1e-13, 1);
    store.Add(1e300, -1e300, 5);
    store.Add(10, 10 + 1e-13, 1);
    const Built b = Build(store, 10, 0, 2);
    for (int32_t i = 0; i < 10; ++i) EXPECT_TRUE(std::isfinite(b.profile[i])) << i;
    EXPECT_EQ(b.profile[0], 0.0);
  }
  for (double low : {5.0, 4.0}) {
    // binCount 1: one bin of size 0 / 0 (flat window) or infinity.
    BarStore store;
    store.Add(low, 5, 10);
    const Built b = Build(store, 1, 0, 0);
    EXPECT_EQ(b.profile[0], 0.0);
    EXPECT_EQ(b.profile[1], 0.0);
  }
  {
    // Infinite and NaN volumes keep every conversion defined.
    BarStore store;
    store.Add(1, 2, inf);
    store.Add(1, 3, 1e300);
    store.Add(2, 3, nan);
    ProfileNodes nodes;
    SegmentProfile(Build(store, 10, 0, 2).profile.data(), 10, nodes);
    EXPECT_EQ(nodes.bounds[0], 0);
  }
}

TEST(VolumeProfile, ZeroVolumeGivesAZeroProfileAndNoNode) {
  BarStore store;
  store.Add(1, 9, 0);
  store.Add(2, 3, 0);
  const Built b = Build(store, 8, 0, 1);
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(b.profile[i], 0.0);
  const ProfileNodes nodes = Segment(std::vector<double>(b.profile.begin(), b.profile.begin() + 8));
  EXPECT_TRUE(Peaks(nodes).empty());
  EXPECT_EQ(Bounds(nodes), (std::vector<int32_t>{0, 7}));
}

TEST(SegmentProfile, OneDominantBinSpreadsToTheTurns) {
  // The node runs left to the falling bin below the mean (bin 2, included)
  // and right up to the rising bin below the mean (bin 8, excluded).
  const std::vector<double> profile = {0.1, 0.5, 0.1, 0.3, 1.0, 0.4, 0.2, 0.1, 0.3, 0.2};
  const ProfileNodes nodes = Segment(profile);
  EXPECT_EQ(Peaks(nodes), (std::vector<int32_t>{4}));
  EXPECT_EQ(Bounds(nodes), (std::vector<int32_t>{0, 2, 8, 9}));
}

TEST(SegmentProfile, BinCountOutsideTwoTo200LeavesTheListsAlone) {
  std::vector<double> profile(201, 1.0);
  ProfileNodes nodes;
  nodes.peakCount = 7;
  nodes.boundCount = 9;
  SegmentProfile(profile.data(), 1, nodes);
  SegmentProfile(profile.data(), 201, nodes);
  EXPECT_EQ(nodes.peakCount, 7);
  EXPECT_EQ(nodes.boundCount, 9);
}

TEST(SegmentProfile, MoreThan50BoundsKeepTheFirst50) {
  // Period of four: a peak, a falling bin, a rising bin left outside, a bin
  // that begins the next node: two bounds per period.
  const double period[] = {1.0, 0.0, 0.01, 0.0};
  std::vector<double> profile(199);
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = period[i % 4];
  const ProfileNodes nodes = Segment(profile);
  ASSERT_EQ(nodes.boundCount, 50);
  EXPECT_EQ(nodes.bounds[0], 0);
  for (int32_t i = 1; i < 50; ++i) EXPECT_EQ(nodes.bounds[i], 2 + 4 * ((i - 1) / 2) + (i - 1) % 2);
  EXPECT_EQ(nodes.peakCount, 49);
}

TEST(SegmentProfile, AHundredNodesKeepTheirPeaksApart) {
  // All-negative bins give percentages of 100 and more. Even bins 2..198
  // climb to the right and are taken right to left as one-bin nodes; bin 0
  // goes first, and bin 2, the 100th node, takes bin 1 from it. Bin 1 then
  // carries node number 100 and must not read as a peak.
  std::vector<double> profile(200, -1.0);
  for (int32_t i = 0; i < 100; ++i) profile[2 * i] = -(101 + i + 0.5) / 100;
  profile[0] = -3.005;
  const ProfileNodes nodes = Segment(profile);
  ASSERT_EQ(nodes.peakCount, 50);
  for (int32_t i = 0; i < 50; ++i) EXPECT_EQ(nodes.peaks[i], 2 + 2 * i);
  EXPECT_EQ(Bounds(nodes), (std::vector<int32_t>{0, 199}));
}

}  // namespace
}  // namespace zeb

namespace zeb {
namespace {

namespace reference = zeb_reference::api;

uint64_t Bits(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Windows of bars with the awkward values a profile can meet when it is
// called directly: NaN and infinite prices, signed zeros, bars whose high lies below their
// low, flat stretches, zero, negative, tiny, huge and non-finite volumes, and
// volumes whose shares span any number of magnitudes.
class ProfileCases {
 public:
  explicit ProfileCases(uint64_t seed) : state_(seed) {}

  void Fill(std::vector<double>& low, std::vector<double>& high, std::vector<double>& volume) {
    const int32_t count = 1 + Below(320);
    const int32_t priceMode = Below(7);
    const int32_t volumeMode = Below(6);
    double price = 100.0;
    low.clear();
    high.clear();
    volume.clear();
    for (int32_t k = 0; k < count; ++k) {
      if (priceMode != 1 || Below(8) == 0) price += std::round((Uniform() - 0.5) * 300) / 100;
      double lo = price - std::round(Uniform() * 80) / 100;
      double hi = price + std::round(Uniform() * 80) / 100;
      if (priceMode == 2 && Below(20) == 0) std::swap(lo, hi);
      if (priceMode == 3 && Below(40) == 0) lo = Special();
      if (priceMode == 3 && Below(40) == 0) hi = Special();
      if (priceMode == 4) hi = lo + Uniform() * 1e-12;
      // Extremes tied between +0.0 and -0.0: the first of them is kept.
      if (priceMode == 6) lo = Below(3) == 0 ? 1.0 : (Below(2) == 0 ? 0.0 : -0.0);
      if (priceMode == 6) hi = Below(3) == 0 ? -1.0 : (Below(2) == 0 ? 0.0 : -0.0);
      low.push_back(lo);
      high.push_back(hi);
      volume.push_back(Volume(volumeMode));
    }
  }

  int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint64_t>(n)); }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

 private:
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }

  double Special() {
    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1e300,
                             -1e300,
                             0.0};
    return values[Below(6)];
  }

  double Volume(int32_t mode) {
    const double whole = std::round(Uniform() * 4000);
    switch (mode) {
      case 0:
        return whole;
      case 1:  // magnitudes a few binary orders apart: the exact sum's margin
        return std::ldexp(1.0 + Uniform(), Below(30));
      case 2:  // zero and negative volumes
        return Below(3) == 0 ? (Below(2) ? 0.0 : -0.0) : whole - 2000;
      case 3:  // now and then a volume many magnitudes away
        return Below(30) == 0 ? (Below(2) ? 1e-9 * Uniform() : 1e30 * Uniform()) : whole;
      case 4: {  // beyond the single-precision range, or not a number
        const double odd[] = {1e300,
                              -1e300,
                              3.4e38,
                              3.402823567e38,
                              std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              4.9e-324};
        return Below(25) == 0 ? odd[Below(7)] : whole;
      }
      default:
        return Uniform() * std::ldexp(1.0, Below(40) - 20);
    }
  }

  uint64_t state_;
};

int32_t PickBinCount(ProfileCases& cases) {
  const int32_t usual[] = {-1, 0, 1, 2, 3, 10, 100, 199, 200, 201};
  return cases.Below(3) == 0 ? 1 + cases.Below(200) : usual[cases.Below(10)];
}

void ExpectSameNodes(const ProfileNodes& got, const reference::ProfileResult& want) {
  ASSERT_EQ(got.peakCount, want.peakCount);
  ASSERT_EQ(got.boundCount, want.boundCount);
  for (int32_t i = 0; i < got.peakCount; ++i) EXPECT_EQ(got.peaks[i], want.peaks[i]);
  for (int32_t i = 0; i < got.boundCount; ++i) EXPECT_EQ(got.bounds[i], want.bounds[i]);
}

// Every profile bit, extreme and node as the first version computed them,
// through BuildVolumeProfile with SegmentProfile and BuildAndSegmentProfile.
TEST(VolumeProfile, MatchesTheFirstVersionBitForBit) {
  ProfileCases cases(20240611);
  std::vector<double> low, high, volume;
  for (int32_t n = 0; n < 20000; ++n) {
    cases.Fill(low, high, volume);
    BarStore store;
    for (size_t k = 0; k < low.size(); ++k) store.Add(low[k], high[k], volume[k]);
    const double scales[] = {1.0, 100.0, 7.0, 0.0, -2.5};
    const reference::ProfileRequest request{PickBinCount(cases), cases.Below(310) - 3,
                                            cases.Below(310) - 3, scales[cases.Below(5)]};
    reference::ProfileResult want{};
    want.peakCount = want.boundCount = -1;
    std::fill(std::begin(want.profile), std::end(want.profile), -7.0);
    reference::BuildAndSegment(
        {low.data(), high.data(), volume.data(), static_cast<int32_t>(low.size())}, request, want);

    for (bool combined : {false, true}) {
      if (combined && request.scale != 1.0) continue;
      std::vector<double> profile(202, -7.0);
      double lowest = 0.0;
      double highest = 0.0;
      ProfileNodes nodes;
      nodes.peakCount = nodes.boundCount = -1;
      if (combined) {
        BuildAndSegmentProfile(store, profile.data(), request.binCount, request.firstBack,
                               request.lastBack, lowest, highest, nodes);
      } else {
        BuildVolumeProfile(store, profile.data(), request.binCount, request.firstBack,
                           request.lastBack, request.scale, lowest, highest);
        SegmentProfile(profile.data(), request.binCount, nodes);
      }
      SCOPED_TRACE(testing::Message()
                   << "case " << n << " bins " << request.binCount << " window "
                   << request.firstBack << ".." << request.lastBack << " combined " << combined);
      ASSERT_EQ(Bits(lowest), Bits(want.lowest));
      ASSERT_EQ(Bits(highest), Bits(want.highest));
      for (size_t i = 0; i < profile.size(); ++i) {
        ASSERT_EQ(Bits(profile[i]), Bits(want.profile[i])) << "bin " << i;
      }
      ExpectSameNodes(nodes, want);
    }
  }
}

// The volume of a bar in CachedWindowsMatchUncachedOnes: usual volumes, and
// now and then one whose share is not a number.
double UsualVolume(ProfileCases& cases) {
  return cases.Below(50) == 0 ? -1e300 : 100.0 + cases.Below(900);
}

// Volumes whose shares the exact bins carried from window to window must
// weigh: finer than the unit so far, so large that the sum of magnitudes
// outgrows 2^53 units, negative and signed zeros.
double WideVolume(ProfileCases& cases) {
  const int32_t pick = cases.Below(64);
  if (pick == 0) return std::ldexp(1.0 + cases.Uniform(), cases.Below(64) - 30);
  if (pick < 4) return -(100.0 + cases.Below(900));
  if (pick < 6) return pick == 4 ? 0.0 : -0.0;
  return 100.0 + cases.Below(900);
}

// A profile rescaled to `scale` through `cache` has the bits of one built
// without it.
void ExpectScaledProfileMatches(const BarStore& store, int32_t binCount, int32_t nearer,
                                int32_t farther, double scale, ProfileCache& cache) {
  Built plain;
  Built cached;
  plain.profile.assign(201, -7.0);
  cached.profile.assign(201, -7.0);
  BuildVolumeProfile(store, plain.profile.data(), binCount, farther, nearer, scale, plain.lowest,
                     plain.highest);
  BuildVolumeProfile(store, cached.profile.data(), binCount, farther, nearer, scale, cached.lowest,
                     cached.highest, &cache);
  ASSERT_EQ(Bits(cached.lowest), Bits(plain.lowest));
  ASSERT_EQ(Bits(cached.highest), Bits(plain.highest));
  for (size_t i = 0; i < plain.profile.size(); ++i) {
    ASSERT_EQ(Bits(cached.profile[i]), Bits(plain.profile[i])) << "scaled bin " << i;
  }
}

// A cache carried from window to window gives the bits of a build without
// one (segmented, and rescaled through a cache of its own): bars that slide on, are revised in
// place (also between builds) or jump, windows that move either way, bin counts that change, and
// extremes that mostly stay put (so that most bars are taken over), with now and then a bar out of
// range. One bar in `outOfRange` lies out of range.
void ExpectCachedWindowsMatchUncachedOnes(uint64_t seed, double (*volumeOf)(ProfileCases&),
                                          int32_t outOfRange) {
  ProfileCases cases(seed);
  BarStore store;
  ProfileCache cache;
  ProfileCache scaledCache;
  int32_t binCount = 199;
  for (int32_t n = 0; n < 30000; ++n) {
    const double low = cases.Below(3) == 0 ? 10.0 : 10.0 + cases.Below(40) * 0.25;
    // A high below its low puts the bar out of range.
    const double high = cases.Below(outOfRange) == 0
                            ? low - 0.5
                            : (cases.Below(3) == 0 ? 20.0 : low + cases.Below(40) * 0.25);
    const double volume = volumeOf(cases);
    const int32_t step = cases.Below(10);
    if (step == 0) {  // the newest bar revised
      store.lowSeries.SetCurrent(low);
      store.highSeries.SetCurrent(high);
      store.volumeSeries.SetCurrent(volume);
    } else {
      const int32_t pushes = step == 1 ? 3 : 1;  // a jump stores the bar again
      for (int32_t i = 0; i < pushes; ++i) store.Add(low, high, volume);
      // Now and then the bar number lags the pushes: the bits still decide.
      store.barNumber += step == 2 ? 0 : pushes;
    }
    // Bars stored without a build between them, as a same-bar revision is.
    if (cases.Below(3) == 0) continue;
    if (cases.Below(500) == 0) binCount = 1 + cases.Below(200);
    const int32_t nearer = cases.Below(4) == 0 ? cases.Below(20) : 0;
    const int32_t farther = cases.Below(8) == 0 ? cases.Below(300) : 298;
    Built plain;
    Built cached;
    plain.profile.assign(201, -7.0);
    cached.profile.assign(201, -7.0);
    ProfileNodes plainNodes;
    ProfileNodes cachedNodes;
    BuildAndSegmentProfile(store, plain.profile.data(), binCount, nearer, farther, plain.lowest,
                           plain.highest, plainNodes);
    BuildAndSegmentProfile(store, cached.profile.data(), binCount, farther, nearer, cached.lowest,
                           cached.highest, cachedNodes, &cache);
    SCOPED_TRACE(testing::Message() << "call " << n << " bins " << binCount);
    for (size_t i = 0; i < plain.profile.size(); ++i) {
      ASSERT_EQ(Bits(cached.profile[i]), Bits(plain.profile[i])) << "bin " << i;
    }
    ASSERT_EQ(Peaks(cachedNodes), Peaks(plainNodes));
    ASSERT_EQ(Bounds(cachedNodes), Bounds(plainNodes));
    ExpectScaledProfileMatches(store, binCount, nearer, farther, cases.Below(2) == 0 ? 100.0 : 0.3,
                               scaledCache);
    if (testing::Test::HasFatalFailure()) return;
  }
}

TEST(VolumeProfile, CachedWindowsMatchUncachedOnes) {
  ExpectCachedWindowsMatchUncachedOnes(4242, UsualVolume, 100);
}

TEST(VolumeProfile, CachedWindowsMatchUncachedOnesWhateverTheirShares) {
  ExpectCachedWindowsMatchUncachedOnes(4243, WideVolume, 20000);
}

// Profiles of few levels (ties everywhere), of many peaks and valleys, with
// negative and non-finite bins: every peak and bound as the first version.
TEST(SegmentProfile, MatchesTheFirstVersionOnAnyProfile) {
  ProfileCases cases(777);
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), -1.0, -0.0, 1e300};
  for (int32_t n = 0; n < 20000; ++n) {
    const int32_t binCount = cases.Below(203);
    const int32_t levels = 1 + cases.Below(cases.Below(2) ? 4 : 100);
    // Now and then most bins high, so that the mean lies above the peak
    // threshold and peaks themselves can stop a walk.
    const double floor = cases.Below(3) == 0 ? 0.5 : 0.0;
    reference::ProfileResult want{};
    for (int32_t i = 0; i < binCount; ++i) {
      const double level = cases.Below(levels) / static_cast<double>(levels);
      want.profile[i] = cases.Below(50) == 0 ? odd[cases.Below(5)] : floor + (1 - floor) * level;
    }
    want.peakCount = want.boundCount = -1;
    ProfileNodes got;
    got.peakCount = got.boundCount = -1;
    SegmentProfile(want.profile, binCount, got);
    reference::Segment(binCount, want);
    SCOPED_TRACE(testing::Message() << "case " << n << " bins " << binCount);
    ExpectSameNodes(got, want);
  }
}

}  // namespace
}  // namespace zeb
