// The capture graph as applications run it, with the graph's reference clock:
// frames flow steadily at the phone's rate with stamps that follow the clock;
// with the phone silent the graph's Pause and Run do not wait for a frame and
// Stop returns within one receive time-out; without a clock every sample is
// stamped from zero. Each figure is printed for the record.
#include <algorithm>
#include <cstdio>

#include "tests/wine/capture_graph.h"

namespace orlin::wine_test {
namespace {

constexpr REFERENCE_TIME kFrameInterval = 333333;
constexpr double kReceiveTimeoutMs = 3000;
constexpr std::size_t kTenSeconds = 300;  // frames at the phone's 30 a second

using ClockedGraph = CaptureGraph;

TEST_F(ClockedGraph, TenSecondsAtThePhonesRateWithStampsThatFollowTheClock) {
  AddFilters(kRaw);
  RenderCaptureStream();
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  IReferenceClock* graphClock = GraphClock();
  ASSERT_NE(graphClock, nullptr) << "the graph chose no clock";
  log.UseClock(graphClock);
  // The first frames may come before the clock is watched; count from here.
  ASSERT_TRUE(MoreFrames(1));
  log.Clear();
  const int sentBefore = phone.FramesSent();
  // Ten seconds of frames at the phone's rate, however long they take here.
  EXPECT_TRUE(MoreFrames(kTenSeconds, std::chrono::seconds(60)));
  const std::vector<Seen> seen = log.Samples();
  const int sent = phone.FramesSent() - sentBefore;
  EXPECT_EQ(Stop(), S_OK);
  phone.Stop();

  // The phone's rate reaches the grabber: at least 25 of every 30 frames sent.
  std::printf("frames: %d sent, %zu reached the grabber\n", sent, seen.size());
  EXPECT_GE(seen.size() * 30, std::size_t(sent) * 25);
  ASSERT_GE(seen.size(), 2u);

  // The stamp is the stream time at the fill: clock time less a fixed run start.
  // So clock minus stamp stays the same up to the delivery's latency.
  REFERENCE_TIME lowest = seen.front().clockNow - seen.front().start;
  REFERENCE_TIME highest = lowest;
  std::size_t repeated = 0;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    ASSERT_EQ(seen[i].timeResult, S_OK);
    EXPECT_EQ(seen[i].end - seen[i].start, kFrameInterval);
    // The graph's clock counts whole milliseconds: a frame that was already
    // waiting when the previous fill ended can share its stamp, never go back.
    if (i > 0) {
      EXPECT_GE(seen[i].start, seen[i - 1].start) << "sample " << i;
      if (seen[i].start == seen[i - 1].start) ++repeated;
    }
    const REFERENCE_TIME offset = seen[i].clockNow - seen[i].start;
    lowest = std::min(lowest, offset);
    highest = std::max(highest, offset);
  }
  const REFERENCE_TIME span = seen.back().start - seen.front().start;
  std::printf("stamps: %.3f s from first to last; clock - stamp within %.1f ms; %zu repeated\n",
              double(span) / 1e7, double(highest - lowest) / 1e4, repeated);
  // The stamps cover the time the frames took to come, at the phone's rate or slower.
  EXPECT_GT(span, REFERENCE_TIME(seen.size() - 1) * kFrameInterval * 9 / 10);
  EXPECT_LT(repeated * 20, seen.size()) << repeated << " stamps repeat the one before";
  EXPECT_LT(highest - lowest, 100 * 10000LL) << "stamps drift from the clock";
}

TEST_F(ClockedGraph, SampleCuedWhilePausedIsStampedFromZeroAndTheRunThatFollowsKeepsFlowing) {
  AddFilters(kRaw);
  RenderCaptureStream();
  Phone phone = RawPhone();
  phone.Start();
  // Paused long enough for the renderer to hold a sample, as a graph that cues
  // before it runs does.
  EXPECT_TRUE(SUCCEEDED(Pause()));
  ASSERT_TRUE(MoreFrames(1));
  // The phone sends on meanwhile, so the camera has the next frame waiting.
  EXPECT_TRUE(SendsMore(phone, 9));
  const std::size_t whilePaused = log.Count();
  EXPECT_TRUE(SUCCEEDED(Run()));
  // A cued sample stamped from a run that had not started would hold the
  // renderer (and the camera) back for as long as the clock had run.
  EXPECT_TRUE(MoreFrames(20)) << log.Count() - whilePaused << " after Run";
  EXPECT_EQ(Stop(), S_OK);
  phone.Stop();
  const std::vector<Seen> seen = log.Samples();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().start, 0);
  EXPECT_EQ(seen.front().end, kFrameInterval);
}

TEST_F(ClockedGraph, SilentPhonePauseAndRunReturnAtOnceAndStopWithinOneReceiveTimeOut) {
  AddFilters(kRaw);
  RenderCaptureStream();
  // Nothing is sent. Paused, a live source cannot cue a frame, and says so.
  const HRESULT paused = Pause();
  const double pauseMs = lastCallMs;
  EXPECT_TRUE(SUCCEEDED(paused)) << std::hex << paused;
  OAFilterState state = State_Stopped;
  const auto asked = Clock::now();
  const HRESULT stateResult = control->GetState(1000, &state);
  const double getStateMs = MillisecondsSince(asked);
  EXPECT_EQ(stateResult, VFW_S_CANT_CUE);
  EXPECT_EQ(state, State_Paused);
  const HRESULT ran = Run();
  const double runMs = lastCallMs;
  EXPECT_TRUE(SUCCEEDED(ran)) << std::hex << ran;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Stop(), S_OK);
  const double stopMs = lastCallMs;
  std::printf("silent phone: Pause %.1f ms, GetState %.1f ms, Run %.1f ms, Stop %.1f ms\n", pauseMs,
              getStateMs, runMs, stopMs);
  EXPECT_LT(pauseMs, 500);
  EXPECT_LT(getStateMs, 500);
  EXPECT_LT(runMs, 500);
  EXPECT_LT(stopMs, kReceiveTimeoutMs + 1000);
}

TEST_F(ClockedGraph, WithoutAClockEverySampleIsStampedFromZero) {
  AddFilters(kRaw);
  RenderCaptureStream();
  ComRef<IMediaFilter> timing;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaFilter, timing.ReceiveVoid()), S_OK);
  ASSERT_EQ(timing->SetSyncSource(nullptr), S_OK);
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(15));
  EXPECT_EQ(Stop(), S_OK);
  phone.Stop();
  const std::vector<Seen> seen = log.Samples();
  ASSERT_FALSE(seen.empty());
  for (const Seen& s : seen) {
    ASSERT_EQ(s.timeResult, S_OK);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.end, kFrameInterval);
  }
}

}  // namespace
}  // namespace orlin::wine_test
