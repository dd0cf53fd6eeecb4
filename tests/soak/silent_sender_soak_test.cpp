// A sender that goes silent in the middle of a stream: the filter keeps
// delivering a sample after each receive time-out (about every 3 s) instead
// of hanging, and Stop returns within one time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "filter/frame_receiver.h"
#include "tests/filter/orlin_test_sink.h"
#include "tests/soak/deliveries.h"
#include "tests/soak/hosted_camera.h"
#include "tests/soak/phone_link.h"
#include "tests/soak/soak_frames.h"
#include "tests/support/wait.h"
#include "wire/four_cc.h"

namespace orlin::soak {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

struct SilentCase {
  const char* name;
  settings::VideoFormatSettings pc;
  bool compressed;
};
// Failures name the case rather than dump its bytes.
void PrintTo(const SilentCase& c, std::ostream* os) { *os << c.name; }


class SilentSender : public filter::test::FilterFixture, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentSender, SamplesComeEveryTimeOutAndStopReturnsWithinOne) {
  const SilentCase& c = GetParam();
  StoreSettings(c.pc);
  const RawFrames raw(c.pc);
  Deliveries deliveries;
  HostedCamera camera([&](const BYTE* data, LONG size) { deliveries.Add(c.compressed ? 0 : raw.Identify(data, size)); });
  ASSERT_TRUE(camera.Connected());
  ASSERT_EQ(camera.Run(), S_OK);
  {
    PhoneLink phone(c.compressed ? wire::kFourCC_YV12 : c.pc.FourCC, int(c.pc.Width),
                    int(c.pc.Height), filter::SampleSizeOf(c.pc), c.compressed, 0);
    ASSERT_TRUE(phone.Ready());
    const CompressedFrames pictures(int(c.pc.Width), int(c.pc.Height), 0);
    for (std::uint32_t n = 1; n <= 3; ++n) {
      const std::uint64_t before = camera.Delivered();
      Bytes frame = c.compressed ? pictures.Frame(n) : raw.Frame(n);
      phone.Send(frame);
      ASSERT_TRUE(camera.WaitForMoreThan(before, 4000ms)) << "frame " << n;
    }
  }  // the phone goes away
  const std::size_t streamed = deliveries.Size();
  const auto silentFrom = Deliveries::Clock::now();
  // Two receive time-outs, each ending with a sample that repeats the last frame.
  orlin::test::WaitUntil([&] { return deliveries.Size() >= streamed + 2; });

  const auto times = deliveries.Times();
  ASSERT_GE(times.size(), streamed + 2) << "samples stopped coming when the sender went silent";
  auto previous = silentFrom;
  for (std::size_t i = streamed; i < times.size(); ++i) {
    const double gap = Seconds(times[i] - previous).count();
    // The first gap starts a little after the last fill began.
    if (i > streamed) {
      EXPECT_GT(gap, 2.8) << "sample " << i - streamed;
    }
    EXPECT_LT(gap, 3.8) << "sample " << i - streamed;
    previous = times[i];
  }

  ASSERT_EQ(camera.Stop(), S_OK);
  EXPECT_LT(camera.LastStop().count(), 3500.0) << "Stop waited longer than one receive time-out";
  EXPECT_EQ(camera.Events(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SilentSender,
    ::testing::Values(SilentCase{"raw", {wire::kFourCC_YUY2, 320, 240, 16, 0, 0, 0}, false},
                      SilentCase{"compressed", {wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0}, true}),
    [](const ::testing::TestParamInfo<SilentCase>& param) {
      return std::string(param.param.name);
    });

}  // namespace
}  // namespace orlin::soak
