// The phone's sender closed and made anew in the middle of a stream, as when
// the phone program is restarted or its codec settings change: a new socket
// and source port, and for compressed frames another reduction level each
// time. The filter goes on running; from the second frame of each new sender
// on, every frame arrives whole.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "filter/frame_receiver.h"
#include "tests/filter/orlin_test_sink.h"
#include "tests/soak/deliveries.h"
#include "tests/soak/hosted_camera.h"
#include "tests/soak/phone_link.h"
#include "tests/soak/soak_frames.h"
#include "wire/four_cc.h"

namespace orlin::soak {
namespace {

using namespace std::chrono_literals;

constexpr int kRestarts = 12;
constexpr std::uint32_t kFramesPerSender = 5;

class SenderRestart : public filter::test::FilterFixture {
 protected:
  // Sends the next frames of a new sender one at a time; from the second on
  // each must be the next sample delivered and equal `expected(n)`.
  template <class Frame, class Expected>
  void SendLockstep(PhoneLink& phone, const Deliveries& deliveries, std::uint32_t& number,
                    Frame frame, Expected expected) {
    for (std::uint32_t j = 1; j <= kFramesPerSender; ++j) {
      const std::size_t mark = deliveries.Size();
      Bytes bytes = frame(++number);
      phone.Send(bytes);
      if (j == 1) {
        // Whatever it ends, a sample goes out; then the next fill starts.
        deliveries.WaitAt(mark, 1000ms);
        std::this_thread::sleep_for(5ms);
        continue;
      }
      const auto got = deliveries.WaitAt(mark, 4000ms);
      ASSERT_TRUE(got.has_value()) << "frame " << j << " of a new sender never delivered";
      EXPECT_EQ(*got, expected(number)) << "frame " << j << " of a new sender";
      std::this_thread::sleep_for(2ms);
    }
  }
};

TEST_F(SenderRestart, RawFramesOfEachNewSenderArriveWhole) {
  const settings::VideoFormatSettings pc{wire::kFourCC_YUY2, 320, 240, 16, 0, 0, 0};
  StoreSettings(pc);
  const RawFrames frames(pc);
  Deliveries deliveries;
  HostedCamera camera([&](const BYTE* data, LONG size) { deliveries.Add(frames.Identify(data, size)); });
  ASSERT_TRUE(camera.Connected());
  ASSERT_EQ(camera.Run(), S_OK);
  std::uint32_t number = 0;
  for (int restart = 0; restart < kRestarts; ++restart) {
    PhoneLink phone(wire::kFourCC_YUY2, 320, 240, filter::SampleSizeOf(pc), false, 0);
    ASSERT_TRUE(phone.Ready());
    SendLockstep(phone, deliveries, number, [&](std::uint32_t n) { return frames.Frame(n); },
                 [](std::uint32_t n) { return n; });
  }
  ASSERT_EQ(camera.Stop(), S_OK);
  EXPECT_LT(camera.LastStop().count(), 3500.0);
}

TEST_F(SenderRestart, CompressedFramesFollowTheLevelOfEachNewSender) {
  const settings::VideoFormatSettings pc{wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0};
  StoreSettings(pc);
  std::vector<std::unique_ptr<CompressedFrames>> levels;
  for (int level = 0; level <= 3; ++level) levels.push_back(std::make_unique<CompressedFrames>(176, 144, level));
  // A sample is named by level and picture: 1 + 3 x level + picture index.
  auto identify = [&](const BYTE* data, LONG size) -> std::uint32_t {
    for (std::uint32_t level = 0; level < levels.size(); ++level) {
      const std::uint32_t picture = levels[level]->Identify(data, size);
      if (picture != kNotWhole) return 3 * level + picture;
    }
    return kNotWhole;
  };
  Deliveries deliveries;
  HostedCamera camera([&](const BYTE* data, LONG size) { deliveries.Add(identify(data, size)); });
  ASSERT_TRUE(camera.Connected());
  ASSERT_EQ(camera.Run(), S_OK);
  std::uint32_t number = 0;
  for (int restart = 0; restart < kRestarts; ++restart) {
    const int level = restart % 4;
    PhoneLink phone(wire::kFourCC_YV12, 176, 144, filter::SampleSizeOf(pc), true, level);
    ASSERT_TRUE(phone.Ready());
    SendLockstep(phone, deliveries, number, [&](std::uint32_t n) { return levels[0]->Frame(n); },
                 [&](std::uint32_t n) {
                   // Levels that decode a picture alike are told apart by none.
                   const Bytes& decoded = levels[std::size_t(level)]->Decoded(n);
                   return identify(decoded.data(), LONG(decoded.size()));
                 });
  }
  ASSERT_EQ(camera.Stop(), S_OK);
  EXPECT_LT(camera.LastStop().count(), 3500.0);
}

}  // namespace
}  // namespace orlin::soak
