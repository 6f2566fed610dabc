#include "indicators/swing_rsi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "components/profile_box.h"
#include "components/volume_profile.h"
#include "interface/registry.h"
#include "net/box_service.h"
#include "support/bars.h"
#include "support/loopback_server.h"

namespace zeb {
namespace {

using test::Feed;
using test::FeedNoCalc;
using test::LoopbackServer;

SwingRSI& Instance(int32_t h) {
  return *static_cast<SwingRSI*>(registry::Find(h));
}

// A swinging market: the midpoint follows two sine waves, so turns of every
// strength occur within a few hundred bars.
test::Bar Swing(int32_t n) {
  const double mid = 100 + 8 * std::sin(n * 0.31) + 3 * std::sin(n * 0.071);
  const double open = mid - 0.6 * std::cos(n * 1.7);
  const double close = 2 * mid - open;
  return {n,
          1 + n / 50,
          open,
          std::max(open, close) + 0.8,
          std::min(open, close) - 0.9,
          close,
          100 + n % 7 * 20.0,
          50 + n % 5 * 30.0};
}

// Feeds `bars` bars (each calculated twice: first pass, then a revised close)
// and checks the box against the profile rebuilt whenever a turn qualifies.
int32_t CheckBoxes(int32_t threshold, int32_t lookback) {
  const int32_t h = test::Create("SWINGRSI");
  ZEB_IndicatorSetParameter(h, 1, threshold);
  ZEB_IndicatorSetParameter(h, 2, lookback);
  RsiTurnDetector shadow;
  double expected[3] = {0, 0, 0};
  int32_t rebuilds = 0;
  for (int32_t n = 1; n <= 400; ++n) {
    test::Bar bar = Swing(n);
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) bar.close += 0.25;
      EXPECT_EQ(Feed(h, bar), 0);
      const int32_t code = shadow.UpdateBar(bar.open, bar.high, bar.low, bar.close, pass == 0);
      if (std::abs(code) >= threshold) {
        double profile[11];
        double lowest = 0.0;
        double highest = 0.0;
        BuildVolumeProfile(Instance(h), profile, 10, 0, lookback, 100.0, lowest, highest);
        FindProfileBox(profile, 10, lowest, highest, expected[2], expected[1], expected[0]);
        ++rebuilds;
      }
      for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(ZEB_IndicatorValue(h, i), expected[i]) << n;
    }
  }
  return rebuilds;
}

TEST(SwingRSI, OutputsAreZeroBeforeAnyTurn) {
  const int32_t h = test::Create("SWINGRSI");
  for (int32_t n = 1; n <= 5; ++n) Feed(h, Swing(n));
  for (int32_t i = -1; i <= 23; ++i) EXPECT_EQ(ZEB_IndicatorValue(h, i), 0.0) << i;
}

TEST(SwingRSI, BoxIsRebuiltOnQualifyingTurnsOnly) {
  const int32_t every = CheckBoxes(1, 10);
  const int32_t strongest = CheckBoxes(3, 299);
  EXPECT_GT(strongest, 0);
  EXPECT_LT(strongest, every);
  EXPECT_GT(CheckBoxes(2, 1), 0);
}

TEST(SwingRSI, ParametersClampAndRestartTheDetector) {
  const int32_t h = test::Create("SWINGRSI");
  SwingRSI& s = Instance(h);
  for (int32_t n = 1; n <= 8; ++n) Feed(h, Swing(n));
  EXPECT_EQ(s.detector.updateCount, 8);
  ZEB_IndicatorSetParameter(h, 0, 1000);
  EXPECT_EQ(s.detector.period, 299);
  EXPECT_EQ(s.detector.updateCount, 0);
  ZEB_IndicatorSetParameter(h, 1, 3.9);
  ZEB_IndicatorSetParameter(h, 2, -5);
  ZEB_IndicatorSetParameter(h, 4, std::nan(""));
  EXPECT_EQ(s.signalThreshold, 3);
  EXPECT_EQ(s.profileLookback, 1);
  EXPECT_EQ(s.interval, 1);
  for (double v : {0.0, 2.0, 0.999999, 1.0000001, -1.0}) {
    ZEB_IndicatorSetParameter(h, 3, v);
    EXPECT_FALSE(s.downloadRequested) << v;
  }
}

class SwingRSIDownload : public ::testing::Test {
 protected:
  void TearDown() override { SetBoxServiceForTesting(nullptr, 0, 0); }
  static void Serve(const LoopbackServer& server) {
    SetBoxServiceForTesting(server.Host().c_str(), 1000, 3000);
  }
  static std::string RequestLine(const LoopbackServer& server, size_t i = 0) {
    const std::string& head = server.Requests().at(i);
    return head.substr(0, head.find("\r\n"));
  }
};

const char kReply[] =
    "HTTP/1.1 200 OK\r\nContent-Length: 61\r\nConnection: close\r\n\r\n"
    "101.5:100.25:99:3:0:0:0:0:120:118.5:117:1:0:0:0:0:0:0:0:0\r\n";

TEST_F(SwingRSIDownload, RunsOnceOnTheNextCalculatedBar) {
  LoopbackServer server(kReply);
  Serve(server);
  const int32_t h = test::Create("SWINGRSI", "ES");
  ZEB_IndicatorSetParameter(h, 3, 2.0);
  EXPECT_EQ(Feed(h, Swing(1)), 0);
  ZEB_IndicatorSetParameter(h, 3, 1.0);
  ZEB_IndicatorSetParameter(h, 4, 3);  // after the request, before the download: it counts
  EXPECT_EQ(FeedNoCalc(h, Swing(2)), 0);
  EXPECT_FALSE(Instance(h).downloadDone);
  EXPECT_EQ(Feed(h, Swing(3)), 0);
  ZEB_IndicatorSetParameter(h, 3, 1.0);
  EXPECT_EQ(Feed(h, Swing(4)), 0);
  EXPECT_EQ(Feed(h, Swing(4)), 0);
  server.Stop();
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(RequestLine(server), "GET /test/box2.php?symbol=ES&interval=3 HTTP/1.1");
  const double expected[23] = {0, 0, 0, 3, 99, 100.25, 101.5, 0, 0, 0, 0, 1, 117, 118.5, 120};
  for (int32_t i = 3; i < 23; ++i) EXPECT_EQ(ZEB_IndicatorValue(h, i), expected[i]) << i;
}

TEST_F(SwingRSIDownload, SymbolGoesAsStoredExceptRequestBreakers) {
  LoopbackServer server(kReply);
  Serve(server);
  const int32_t unknown = ZEB_IndicatorInit(nullptr, "SWINGRSI", nullptr);
  const int32_t odd = test::Create("SWINGRSI", "A B&C\r\nX: 1");
  for (int32_t h : {unknown, odd}) {
    ZEB_IndicatorSetParameter(h, 3, 1.0);
    EXPECT_EQ(Feed(h, Swing(1)), 0);
  }
  server.Stop();
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(RequestLine(server, 0), "GET /test/box2.php?symbol=<unk>&interval=1 HTTP/1.1");
  EXPECT_EQ(RequestLine(server, 1),
            "GET /test/box2.php?symbol=A%20B&C%0D%0AX:%201&interval=1 HTTP/1.1");
}

TEST_F(SwingRSIDownload, FailedOpenIsReportedOnceAndKeepsTheBox) {
  SetBoxServiceForTesting(LoopbackServer::RefusedHost().c_str(), 2000, 5000);
  const int32_t h = test::Create("SWINGRSI");
  const int32_t twin = test::Create("SWINGRSI");
  int32_t n = 1;
  for (; n < 300 && ZEB_IndicatorValue(twin, 1) == 0.0; ++n) {
    Feed(h, Swing(n));
    Feed(twin, Swing(n));
  }
  ASSERT_NE(ZEB_IndicatorValue(twin, 1), 0.0);
  ZEB_IndicatorSetParameter(h, 3, 1.0);
  EXPECT_EQ(Feed(h, Swing(n)), -3);
  Feed(twin, Swing(n));
  EXPECT_EQ(Feed(h, Swing(n + 1)), 0);
  Feed(twin, Swing(n + 1));
  for (int32_t i = 0; i < 23; ++i) {
    EXPECT_EQ(ZEB_IndicatorValue(h, i), ZEB_IndicatorValue(twin, i)) << i;
  }
}

}  // namespace
}  // namespace zeb
