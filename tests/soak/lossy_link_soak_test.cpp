// Thousands of small frames from the phone's real sender through a lossy link
// (drops, duplicates, reordering, truncation, changed bytes) into the camera
// filter in a graph. While the faults last the filter must go on delivering
// without a memory error or a failed fill; once they stop, every frame after
// the first must arrive whole, and Stop must return within one time-out.
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
#include "tests/soak/lossy_relay.h"
#include "tests/soak/phone_link.h"
#include "tests/soak/soak_frames.h"
#include "wire/four_cc.h"

namespace orlin::soak {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kLossyFrames = 2000;
constexpr std::uint32_t kCleanFrames = 20;
constexpr FaultRates kFaults{0.05, 0.03, 0.03, 0.03, 0.05};

struct LossyCase {
  const char* name;
  settings::VideoFormatSettings pc;
  int level;  // -1: raw frames
  // A frame of many pieces is rarely whole through the faults, and each is
  // large: fewer of them, and at least one whole.
  std::uint32_t lossyFrames = kLossyFrames;
  std::size_t leastWhole = kLossyFrames / 4;
};
// Failures name the case rather than dump its bytes.
void PrintTo(const LossyCase& c, std::ostream* os) { *os << c.name; }


class LossyLink : public filter::test::FilterFixture, public ::testing::WithParamInterface<LossyCase> {
 protected:
  void SetUp() override {
    FilterFixture::SetUp();
    const LossyCase& c = GetParam();
    StoreSettings(c.pc);
    const int width = int(c.pc.Width), height = int(c.pc.Height);
    if (c.level < 0) {
      auto raw = std::make_shared<RawFrames>(c.pc);
      frame_ = [raw](std::uint32_t n) { return raw->Frame(n); };
      identify_ = [raw](const BYTE* d, LONG s) { return raw->Identify(d, s); };
      expected_ = [](std::uint32_t n) { return n; };
    } else {
      auto compressed = std::make_shared<CompressedFrames>(width, height, c.level);
      frame_ = [compressed](std::uint32_t n) { return compressed->Frame(n); };
      identify_ = [compressed](const BYTE* d, LONG s) { return compressed->Identify(d, s); };
      expected_ = [count = std::uint32_t(compressed->Count())](std::uint32_t n) { return (n - 1) % count + 1; };
    }
  }

  std::function<Bytes(std::uint32_t)> frame_;
  std::function<std::uint32_t(const BYTE*, LONG)> identify_;
  std::function<std::uint32_t(std::uint32_t)> expected_;
};

TEST_P(LossyLink, RecoversWithinAFrameOnceFaultsStop) {
  const LossyCase& c = GetParam();
  Deliveries deliveries;
  HostedCamera camera([&](const BYTE* data, LONG size) { deliveries.Add(identify_(data, size)); });
  ASSERT_TRUE(camera.Connected());
  ASSERT_EQ(camera.Run(), S_OK);
  LossyRelay relay(kFaults, 20261208);
  ASSERT_TRUE(relay.Listening());
  const bool compressed = c.level >= 0;
  PhoneLink phone(compressed ? wire::kFourCC_YV12 : c.pc.FourCC, int(c.pc.Width), int(c.pc.Height),
                  filter::SampleSizeOf(c.pc), compressed, compressed ? c.level : 0, relay.Port());
  ASSERT_TRUE(phone.Ready());

  // Faults: each frame goes once the one before was delivered, or after 3 ms
  // when what was lost keeps the fill waiting for more.
  std::uint32_t number = 0;
  for (; number < c.lossyFrames; ) {
    const std::uint64_t before = camera.Delivered();
    Bytes frame = frame_(++number);
    phone.Send(frame);
    camera.WaitForMoreThan(before, 3ms);
  }
  const std::size_t lossyDelivered = deliveries.Size();
  const std::size_t lossyWhole = deliveries.Whole();

  relay.SetFaults(false);
  std::this_thread::sleep_for(50ms);
  // The first clean frame may end a fill that holds damaged parts; from the
  // second on, each must be the very next sample, whole.
  for (std::uint32_t j = 1; j <= kCleanFrames; ++j) {
    const std::size_t mark = deliveries.Size();
    Bytes frame = frame_(++number);
    phone.Send(frame);
    if (j == 1) {
      // It may end a fill or be swallowed by one (a raw fill that gave up on
      // damaged chunks); either way, the next fill starts afresh. Whatever
      // the faults left still coming (a slow machine delivers a frame of
      // pieces late) comes before the next frame is sent, or every later
      // sample would be taken for the frame after its own.
      deliveries.WaitAt(mark, 1000ms);
      for (int quiet = 0; quiet < 20 && deliveries.WaitAt(deliveries.Size(), 200ms); ++quiet) {
      }
      continue;
    }
    const auto got = deliveries.WaitAt(mark, 4000ms);
    ASSERT_TRUE(got.has_value()) << "clean frame " << j << " never delivered";
    EXPECT_EQ(*got, expected_(number)) << "clean frame " << j << " did not arrive whole";
    // Nothing more until the next frame is sent.
    std::this_thread::sleep_for(2ms);
  }

  ASSERT_EQ(camera.Stop(), S_OK);
  EXPECT_LT(camera.LastStop().count(), 3500.0);
  EXPECT_EQ(camera.Events(), 0u) << "a fill failed and the filter told its graph";

  const RelayCounts counts = relay.Counts();
  // The link really was lossy, and the stream kept moving through it.
  EXPECT_GT(counts.dropped, 0u);
  EXPECT_GT(counts.duplicated, 0u);
  EXPECT_GT(counts.reordered, 0u);
  EXPECT_GT(counts.truncated, 0u);
  EXPECT_GT(counts.corrupted, 0u);
  EXPECT_GE(lossyWhole, c.leastWhole);
  std::printf("%s: %u frames through faults (dropped %llu, duplicated %llu, reordered %llu, "
              "truncated %llu, changed %llu): %zu samples, %zu whole; Stop %.1f ms\n",
              c.name, c.lossyFrames, (unsigned long long)counts.dropped,
              (unsigned long long)counts.duplicated, (unsigned long long)counts.reordered,
              (unsigned long long)counts.truncated, (unsigned long long)counts.corrupted,
              lossyDelivered, lossyWhole, camera.LastStop().count());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LossyLink,
    ::testing::Values(
        LossyCase{"raw_176x144_one_chunk", {wire::kFourCC_I420, 176, 144, 12, 0, 0, 0}, -1},
        LossyCase{"raw_320x240_three_chunks", {wire::kFourCC_YUY2, 320, 240, 16, 0, 0, 0}, -1},
        LossyCase{"compressed_176x144_level0", {wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0}, 0},
        LossyCase{"compressed_176x144_level3", {wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0}, 3},
        // Large frames, in pieces.
        LossyCase{"raw_1280x720_pieces", {wire::kFourCC_I420, 1280, 720, 12, 0, 0, 0}, -1, 400, 1},
        LossyCase{"compressed_640x480_level0_pieces", {wire::kFourCC_IYUV, 640, 480, 12, 1, 0, 0}, 0, 1000,
                  100}),
    [](const ::testing::TestParamInfo<LossyCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orlin::soak
