// Motion JPEG from a webcam, decoded as the V4L2 camera decodes each buffer:
// recorded frames (tests/data/webcam_*.jpg) of known pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "phone/cameras/jpeg_frame_decoder.h"
#include "tests/support/test_data.h"

namespace orlin::test {
namespace {

using phone::cameras::JpegFrameDecoder;

constexpr int kWidth = 176;
constexpr int kHeight = 144;
constexpr std::size_t kLuma = std::size_t(kWidth) * kHeight;

// Mean absolute difference of `bytes` samples from `from` on.
double MeanError(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                 std::size_t from, std::size_t bytes) {
  long sum = 0;
  for (std::size_t i = from; i < from + bytes; ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return double(sum) / double(bytes);
}

std::vector<std::uint8_t> Decoded(JpegFrameDecoder& decoder, const std::vector<std::uint8_t>& jpeg,
                                  bool* ok) {
  std::vector<std::uint8_t> frame(kLuma * 3 / 2, 0x5A);
  *ok = decoder.Decode(jpeg.data(), jpeg.size(), kWidth, kHeight, frame.data());
  return frame;
}

TEST(JpegFrameTest, WebcamFramesDecodeToTheirPictureInYv12Order) {
  struct Case {
    const char* file;
    const char* picture;
  };
  const Case cases[] = {{"webcam_coffee_176x144_422.jpg", "coffee"},
                        {"webcam_coffee_176x144_422_nodht.jpg", "coffee"},
                        {"webcam_astronaut_176x144_420.jpg", "astronaut"},
                        {"webcam_cups_176x144_444.jpg", "cups"}};
  JpegFrameDecoder decoder;  // one for every frame, as the camera keeps it
  for (const Case& c : cases) {
    bool ok = false;
    const std::vector<std::uint8_t> frame = Decoded(decoder, ReadTestFile(c.file), &ok);
    ASSERT_TRUE(ok) << c.file;
    const std::vector<std::uint8_t> picture = ReadTestFrame(c.picture, kWidth, kHeight);
    // Y, V, U within the coding's loss; a chroma plane in the other's place
    // or from the wrong rows is off by 20 and more.
    EXPECT_LT(MeanError(frame, picture, 0, kLuma), 3.0) << c.file;
    EXPECT_LT(MeanError(frame, picture, kLuma, kLuma / 4), 3.0) << c.file << " V";
    EXPECT_LT(MeanError(frame, picture, kLuma * 5 / 4, kLuma / 4), 3.0) << c.file << " U";
  }
}

TEST(JpegFrameTest, FramesWithoutHuffmanTablesUseTheStandardOnes) {
  JpegFrameDecoder decoder;
  bool ok = false;
  const auto whole = Decoded(decoder, ReadTestFile("webcam_coffee_176x144_422.jpg"), &ok);
  ASSERT_TRUE(ok);
  const auto bare = Decoded(decoder, ReadTestFile("webcam_coffee_176x144_422_nodht.jpg"), &ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(whole == bare);
}

TEST(JpegFrameTest, CutDamagedOrOtherSizedFramesAreRefused) {
  JpegFrameDecoder decoder;
  const std::vector<std::uint8_t> whole = ReadTestFile("webcam_astronaut_176x144_420.jpg");
  std::vector<std::uint8_t> frame(kLuma * 3 / 2);
  EXPECT_FALSE(decoder.Decode(whole.data(), whole.size(), 320, 240, frame.data()));
  const std::vector<std::uint8_t> cut = ReadTestFile("webcam_cups_176x144_422_cut.jpg");
  EXPECT_FALSE(decoder.Decode(cut.data(), cut.size(), kWidth, kHeight, frame.data()));
  for (std::size_t bytes : {std::size_t(0), std::size_t(2), std::size_t(200), whole.size() / 2}) {
    EXPECT_FALSE(decoder.Decode(whole.data(), bytes, kWidth, kHeight, frame.data())) << bytes;
  }
  std::vector<std::uint8_t> damaged = whole;
  damaged[damaged.size() / 2] = 0xFF;  // a marker in the middle of the picture data
  damaged[damaged.size() / 2 + 1] = 0xD5;
  EXPECT_FALSE(decoder.Decode(damaged.data(), damaged.size(), kWidth, kHeight, frame.data()));
  // The decoder is not left broken by any of them.
  EXPECT_TRUE(decoder.Decode(whole.data(), whole.size(), kWidth, kHeight, frame.data()));
}

}  // namespace
}  // namespace orlin::test
