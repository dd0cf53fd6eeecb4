// The phone's real FrameSender to the PC's receiver over 127.0.0.1, both
// in this process: the sender on the test thread as the camera's, the fill on
// a worker thread as the output stream's.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "codec/codec.h"
#include "filter/frame_receiver.h"
#include "filter/pixel_correction.h"
#include "phone/frame_sender.h"
#include "tests/phone/support/camera_script.h"
#include "tests/support/test_data.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;

using Bytes = std::vector<std::uint8_t>;

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

class EndToEnd : public ::testing::Test {
 protected:
  // The phone streams `phoneFourCC` frames; the PC expects `pc`. They meet on
  // a port of the system's choosing, which no other program's stream reaches.
  void Start(std::uint32_t phoneFourCC, const VideoFormatSettings& pc, std::int32_t compression,
             std::int32_t numReductions) {
    ReceiverFormat format = ReceiverFormatOf(pc);
    format.port = 0;
    format.announcementPort = 0;
    receiver_ = std::make_unique<FrameReceiver>(format);
    ASSERT_EQ(receiver_->Open(), S_OK);
    sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
    sender_.SetDestinationPort(receiver_->BoundPort());
    sender_.SetAnnouncementPort(0);  // the real one is other tests' to use
    sender_.SetCodecRequest(compression, 0, numReductions);
    test::CameraScript camera;
    camera.OfferVideo(phoneFourCC, std::int32_t(pc.Width), std::int32_t(pc.Height), SampleSizeOf(pc));
    ASSERT_EQ(camera.ConnectTo(sender_.InputPin()), S_OK);
    ASSERT_EQ(sender_.OpenNetwork(), S_OK);
  }
  void TearDown() override {
    if (receiver_) receiver_->Close();
    sender_.CloseNetwork();
  }

  // One frame from the camera into one sample; `frame` is changed in place
  // as the sender tags it.
  Bytes Transfer(Bytes& frame, Bytes sample) {
    std::thread worker([&] { receiver_->FillFrame(sample.data()); });
    test::TestSample camera(frame);
    IMemInputPin* input = nullptr;
    EXPECT_EQ(sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)), S_OK);
    EXPECT_EQ(input->Receive(&camera), S_OK);
    worker.join();
    return sample;
  }

  phone::FrameSender sender_;
  std::unique_ptr<FrameReceiver> receiver_;
};

TEST_F(EndToEnd, RawFramesArriveByteForByteWithTheirCounterNibbles) {
  const VideoFormatSettings pc{kFourCC_YUY2, 640, 480, 16, 0, 0, 0};
  Start(wire::kFourCC_YUY2, pc, 0, 2);
  ASSERT_EQ(receiver_->ChunkCount(), 10u);
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    Bytes frame = Noise(614400, seed);
    const Bytes sample = Transfer(frame, Bytes(614400, 0));
    EXPECT_EQ(sample, frame) << "frame " << seed;
    EXPECT_TRUE(receiver_->NewFrame());
    EXPECT_EQ(sample[61439] & 0x0F, 10);
    EXPECT_EQ(sample[614399] & 0x0F, 1);
  }
}

TEST_F(EndToEnd, CompressedYV12ArrivesAsTheDecoderMakesIt) {
  const VideoFormatSettings pc{kFourCC_IYUV, 320, 240, 12, 1, 0, 0};
  Start(wire::kFourCC_YV12, pc, 1, 0);
  ASSERT_TRUE(receiver_->Compression());
  const Bytes picture = test::ReadTestFrame("coffee", 320, 240);
  for (int level = 0; level <= 3; ++level) {
    sender_.ApplyCodecSettings(1, 0, level);
    Bytes payload(picture.size() * 2 + 2);
    std::int32_t length = std::int32_t(payload.size()) - 2;
    codec::CompressFrame(picture.data(), 320, 240, level, payload.data(), &length);
    ASSERT_LE(length, receiver_->CompressedBufferSize() - 6) << "level " << level;
    Bytes expected(115200, 0);
    codec::DecompressFrame(payload.data(), level < 3 ? length : 0, level == 3, expected.data(), 320, 240);

    Bytes frame = picture;
    EXPECT_EQ(Transfer(frame, Bytes(115200, 0)), expected) << "level " << level;
    EXPECT_TRUE(receiver_->NewFrame()) << "a matching frame taken for another picture, level " << level;
  }
}

TEST_F(EndToEnd, IyuvWithSwapUvGivesUBeforeV) {
  const VideoFormatSettings pc{kFourCC_IYUV, 176, 144, 12, 1, 0, 1};
  Start(wire::kFourCC_YV12, pc, 1, 1);
  const Bytes picture = test::ReadTestFrame("cups", 176, 144);  // Y, V, U
  Bytes frame = picture;
  Bytes sample = Transfer(frame, Bytes(38016, 0));
  PixelCorrections(pc).Apply(sample.data(), sample.size());

  // Decoded V and U are close to the camera's; after the swap U comes first.
  auto meanError = [&](std::size_t sampleOffset, std::size_t pictureOffset, std::size_t size) {
    double sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += std::abs(int(sample[sampleOffset + i]) - int(picture[pictureOffset + i]));
    return sum / double(size);
  };
  const std::size_t luma = 176 * 144, chroma = luma / 4;
  EXPECT_LT(meanError(luma, luma + chroma, chroma), 6.0) << "second plane is not U";
  EXPECT_LT(meanError(luma + chroma, luma, chroma), 6.0) << "third plane is not V";
  EXPECT_GT(meanError(luma, luma, chroma), meanError(luma, luma + chroma, chroma));
}

}  // namespace
}  // namespace orlin::filter
