// Two camera filters in one process, both bound to port 4444 (address reuse),
// decoding compressed frames at the same time: one is stopped and started
// again and again while the other decodes (each start builds the decoder's
// lookups anew), and whichever stays running takes the whole stream once the
// other stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

class TwoFilters : public filter::test::FilterFixture {};

// Whether `deliveries` gains more than `more` whole frames while the phone sends.
bool GainsWhole(const Deliveries& deliveries, std::size_t more) {
  const std::size_t before = deliveries.Whole();
  return orlin::test::WaitUntil([&] { return deliveries.Whole() > before + more; });
}

TEST_F(TwoFilters, ShareThePortAndTheOneLeftRunningTakesTheStream) {
  const settings::VideoFormatSettings pc{wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0};
  StoreSettings(pc);
  const CompressedFrames pictures(176, 144, 0);
  Deliveries a, b;
  HostedCamera first([&](const BYTE* data, LONG size) { a.Add(pictures.Identify(data, size)); });
  HostedCamera second([&](const BYTE* data, LONG size) { b.Add(pictures.Identify(data, size)); });
  ASSERT_TRUE(first.Connected());
  ASSERT_TRUE(second.Connected());
  ASSERT_EQ(first.Run(), S_OK);
  ASSERT_EQ(second.Run(), S_OK);

  std::atomic<bool> feeding{true};
  std::thread feeder([&] {
    PhoneLink phone(wire::kFourCC_YV12, 176, 144, filter::SampleSizeOf(pc), true, 0);
    for (std::uint32_t n = 1; feeding.load() && phone.Ready(); ++n) {
      Bytes frame = pictures.Frame(n);
      phone.Send(frame);
      std::this_thread::sleep_for(3ms);
    }
  });

  // Both bound: the network stack picks one of them for each datagram.
  EXPECT_TRUE(orlin::test::WaitUntil([&] { return a.Whole() + b.Whole() > 0; }));

  // The second restarts while the first decodes.
  for (int cycle = 0; cycle < 30; ++cycle) {
    ASSERT_EQ(second.Stop(), S_OK);
    EXPECT_LT(second.LastStop().count(), 3500.0);
    ASSERT_EQ(second.Run(), S_OK);
    std::this_thread::sleep_for(10ms);
  }

  // Either one alone takes the stream.
  ASSERT_EQ(first.Stop(), S_OK);
  EXPECT_LT(first.LastStop().count(), 3500.0);
  EXPECT_TRUE(GainsWhole(b, 10)) << "the second filter did not take the stream";
  ASSERT_EQ(first.Run(), S_OK);
  ASSERT_EQ(second.Stop(), S_OK);
  EXPECT_LT(second.LastStop().count(), 3500.0);
  EXPECT_TRUE(GainsWhole(a, 10)) << "the first filter did not take the stream";

  feeding = false;
  feeder.join();
  ASSERT_EQ(first.Stop(), S_OK);
  EXPECT_EQ(first.Events() + second.Events(), 0u);
  std::printf("first: %zu samples (%zu whole); second: %zu (%zu whole)\n", a.Size(), a.Whole(), b.Size(),
              b.Whole());
}

}  // namespace
}  // namespace orlin::soak
