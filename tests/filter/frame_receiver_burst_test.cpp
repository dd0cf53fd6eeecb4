// Raw frames in bursts: the phone's real FrameSender sends 30 frames a second,
// each as its chunks back to back, over 127.0.0.1 to the real receiver,
// which waits in its fill loop on a worker thread as the output stream's does.
// Every chunk carries its frame's number in its first four bytes, so a filled
// sample holds a frame whole only when all its chunks are of that frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "filter/frame_receiver.h"
#include "phone/frame_sender.h"
#include "tests/phone/support/camera_script.h"
#include "tests/support/wait.h"
#include "wire/four_cc.h"
#include "wire/stream.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;
using wire::kFourCC_I420;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// About three seconds at 30 frames a second: enough that 99% leaves room for
// one frame lost to a scheduling hiccup on a busy machine, none for a buffer
// that drops bursts.
constexpr std::uint32_t kFrames = 100;
constexpr auto kFrameInterval = std::chrono::microseconds(33333);

Bytes Noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = std::uint8_t(state >> 24);
  }
  return bytes;
}

struct BurstCase {
  const char* name;
  std::uint32_t phoneFourCC;
  VideoFormatSettings pc;
  std::uint32_t chunks;
  std::uint32_t chunkBytes;
};

class RawBursts : public ::testing::TestWithParam<BurstCase> {};

TEST_P(RawBursts, AtLeast99PercentOfFramesArriveWhole) {
  const BurstCase& c = GetParam();
  ReceiverFormat format = ReceiverFormatOf(c.pc);
  format.port = 0;  // a port no other program's stream reaches
  format.announcementPort = 0;
  FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  phone::FrameSender sender;
  sender.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender.SetDestinationPort(receiver.BoundPort());
  sender.SetAnnouncementPort(0);  // the real one is other tests' to use
  sender.SetCodecRequest(0, 0, 0);
  test::CameraScript camera;
  const std::int32_t sampleBytes = SampleSizeOf(c.pc);
  camera.OfferVideo(c.phoneFourCC, std::int32_t(c.pc.Width), std::int32_t(c.pc.Height), sampleBytes);
  ASSERT_EQ(camera.ConnectTo(sender.InputPin()), S_OK);
  ASSERT_EQ(sender.OpenNetwork(), S_OK);
  ASSERT_EQ(sender.ChunkCount(), std::int32_t(c.chunks));

  const std::uint32_t n = receiver.ChunkCount(), q = receiver.ChunkSize();
  ASSERT_EQ(n, c.chunks);
  ASSERT_EQ(q, c.chunkBytes);

  // What every frame looks like on the wire, but for its number: the noise
  // with each chunk's last byte tagged n, n-1, ..., 1.
  Bytes frame = Noise(std::size_t(sampleBytes), n);
  Bytes wire = frame;
  for (std::uint32_t k = 0; k < n; ++k) {
    std::uint8_t& last = wire[(k + 1) * q - 1];
    last = std::uint8_t((last & 0xF0) | (n - k));
  }

  std::atomic<bool> stop{false};
  std::atomic<std::uint32_t> lastFilled{0};
  std::set<std::uint32_t> whole;
  std::thread worker([&] {
    Bytes sample(static_cast<std::size_t>(sampleBytes));
    while (!stop.load()) {
      std::fill(sample.begin(), sample.end(), 0);
      receiver.FillFrame(sample.data());
      std::uint32_t number = 0;
      std::memcpy(&number, sample.data(), 4);
      bool ok = number >= 1 && number <= kFrames;
      for (std::uint32_t k = 0; ok && k < n; ++k) {
        std::uint32_t other = 0;
        std::memcpy(&other, sample.data() + k * q, 4);
        ok = other == number &&
             std::memcmp(sample.data() + k * q + 4, wire.data() + k * q + 4, q - 4) == 0;
      }
      if (ok) whole.insert(number);
      lastFilled = number;
    }
  });

  IMemInputPin* input = nullptr;
  ASSERT_EQ(sender.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)), S_OK);
  auto send = [&](std::uint32_t number) {
    for (std::uint32_t k = 0; k < n; ++k) std::memcpy(frame.data() + k * q, &number, 4);
    test::TestSample sample(frame);
    EXPECT_EQ(input->Receive(&sample), S_OK);
  };
  const auto start = Clock::now();
  for (std::uint32_t i = 1; i <= kFrames; ++i) {
    std::this_thread::sleep_until(start + kFrameInterval * (i - 1));
    send(i);
  }
  // The last frame's fill ends (a lost one ends at the receive time-out, and
  // the wait then gives up), then one more frame (outside the counted range)
  // ends the fill the worker is waiting in; were that one lost, the receive
  // time-out ends it.
  orlin::test::WaitUntil([&] { return lastFilled.load() == kFrames; }, std::chrono::seconds(5));
  stop = true;
  send(kFrames + 1);
  worker.join();
  input->Release();
  receiver.Close();
  sender.CloseNetwork();

  EXPECT_GE(whole.size() * 100, std::size_t(kFrames) * 99)
      << c.name << ": " << whole.size() << " of " << kFrames << " frames arrived whole";
}

INSTANTIATE_TEST_SUITE_P(
    ThreeSizes, RawBursts,
    ::testing::Values(
        BurstCase{
            "320x240 YUY2", wire::kFourCC_YUY2, {kFourCC_YUY2, 320, 240, 16, 0, 0, 0}, 3, 51200},
        // 65,520 bytes: two chunks, as one would not fit a datagram.
        BurstCase{
            "208x210 YV12", wire::kFourCC_YV12, {kFourCC_YV12, 208, 210, 12, 0, 0, 0}, 2, 32760},
        BurstCase{
            "640x480 YV12", wire::kFourCC_YV12, {kFourCC_YV12, 640, 480, 12, 0, 0, 0}, 8, 57600},
        BurstCase{
            "640x480 I420", wire::kFourCC_YV12, {kFourCC_I420, 640, 480, 12, 0, 0, 0}, 8, 57600},
        BurstCase{
            "640x480 YUY2", wire::kFourCC_YUY2, {kFourCC_YUY2, 640, 480, 16, 0, 0, 0}, 10, 61440}),
    [](const ::testing::TestParamInfo<BurstCase>& param) {
      std::string name = param.param.name;
      for (auto& ch : name) {
        if (ch == ' ') ch = '_';
      }
      return name;
    });

// The buffer the socket is asked for: a raw frame and one more chunk (or
// piece), or with compression two of the largest datagrams or a full buffer's
// pieces and one more; an explicit size as given.
TEST(ReceiveBuffer, HoldsAWholeRawFrameAndOneMoreChunk) {
  ReceiverFormat format = ReceiverFormatOf({kFourCC_YUY2, 640, 480, 16, 0, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  EXPECT_EQ(receiver.ReceiveBufferBytes(), 11 * 61440);
  receiver.Close();

  // Beyond the countdown: the frame's 29 pieces and one more.
  format = ReceiverFormatOf({kFourCC_YUY2, 1280, 720, 16, 0, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  FrameReceiver pieces(format);
  ASSERT_EQ(pieces.Open(), S_OK);
  EXPECT_EQ(pieces.ReceiveBufferBytes(), 30 * wire::kMaxUdpPayloadBytes);
  pieces.Close();
}

TEST(ReceiveBuffer, HoldsTwoLargestDatagramsWithCompression) {
  ReceiverFormat format = ReceiverFormatOf({kFourCC_IYUV, 320, 240, 12, 1, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  ASSERT_TRUE(receiver.Compression());
  EXPECT_EQ(receiver.ReceiveBufferBytes(), 2 * wire::kMaxChunkBytes);
  receiver.Close();

  // A buffer of 230400 bytes at 640x480: a payload that fills it takes 4 pieces.
  format = ReceiverFormatOf({kFourCC_IYUV, 640, 480, 12, 1, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  FrameReceiver pieces(format);
  ASSERT_EQ(pieces.Open(), S_OK);
  EXPECT_EQ(pieces.ReceiveBufferBytes(), 5 * wire::kMaxUdpPayloadBytes);
  pieces.Close();
}

TEST(ReceiveBuffer, AGivenSizeIsKept) {
  ReceiverFormat format = ReceiverFormatOf({kFourCC_YUY2, 640, 480, 16, 0, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  format.receiveBufferBytes = 61440;
  FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  EXPECT_EQ(receiver.ReceiveBufferBytes(), 61440);
  receiver.Close();
}

// What the system granted is read back in the bytes asked for (Linux reports
// twice them), and falls short only beyond its cap (Linux: net.core.rmem_max).
TEST(ReceiveBuffer, GrantedIsReadBackAndShortOnlyBeyondTheSystemsCap) {
  ReceiverFormat format = ReceiverFormatOf({kFourCC_YUY2, 320, 240, 16, 0, 0, 0});
  format.port = 0;
  format.announcementPort = 0;
  FrameReceiver within(format);
  ASSERT_EQ(within.Open(), S_OK);
  EXPECT_EQ(within.GrantedReceiveBufferBytes(), 4 * 51200) << "below a stock kernel's cap of 212,992";
  EXPECT_FALSE(within.ReceiveBufferShort());
  within.Close();
  // Compressed frames of a small picture never come in pieces: what they ask
  // for is all they need.
  ReceiverFormat small = ReceiverFormatOf({kFourCC_IYUV, 176, 144, 12, 1, 0, 0});
  small.port = 0;
  small.announcementPort = 0;
  FrameReceiver compressed(small);
  ASSERT_EQ(compressed.Open(), S_OK);
  EXPECT_EQ(compressed.GrantedReceiveBufferBytes(), compressed.ReceiveBufferBytes());
  EXPECT_FALSE(compressed.ReceiveBufferShort());
  compressed.Close();
#ifndef _WIN32  // Windows grants what it is asked
  format.receiveBufferBytes = 1 << 30;
  FrameReceiver beyond(format);
  ASSERT_EQ(beyond.Open(), S_OK);
  EXPECT_GT(beyond.GrantedReceiveBufferBytes(), 0);
  EXPECT_LT(beyond.GrantedReceiveBufferBytes(), 1 << 30);
  EXPECT_TRUE(beyond.ReceiveBufferShort());
  beyond.Close();
#endif
}

}  // namespace
}  // namespace orlin::filter
