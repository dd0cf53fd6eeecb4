// The format announcement beside the stream: when the sender sends it, what it
// says, and that the frames and their counts do not notice it.
#include <gtest/gtest.h>

#include "tests/phone/support/sender_fixture.h"
#include "wire/announcement.h"

namespace orlin::test {
namespace {

using namespace std::chrono_literals;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

class Announcements : public SenderFixture {
 protected:
  Announcements() {
    EXPECT_TRUE(pc_.Bound());
    sender_.SetAnnouncementPort(pc_.Port());
    sender_.SetClock([this] { return now_; });
  }

  // Connects to a camera type that also says its bits per pixel and interval.
  void ConnectCamera(std::uint32_t fourCC, int width, int height, std::int32_t sampleSize,
                     WORD bitsPerPixel, REFERENCE_TIME interval, std::int32_t compression = 1) {
    sender_.SetCodecRequest(compression, 0, 2);
    CameraScript camera;
    OfferedType& type = camera.OfferVideo(fourCC, width, height, sampleSize);
    type.info.bmiHeader.biBitCount = bitsPerPixel;
    type.info.AvgTimePerFrame = interval;
    ASSERT_EQ(camera.ConnectTo(sender_.InputPin()), S_OK);
    ASSERT_EQ(sender_.OpenNetwork(), S_OK);
  }

  // Sends one frame of the connected size and returns how many announcements
  // have gone out so far.
  std::uint64_t SendFrame() {
    std::vector<std::uint8_t> frame = NoiseFrame(static_cast<std::size_t>(sender_.SampleSize()), 3);
    Send(frame);
    return sender_.AnnouncementsSent();
  }

  std::vector<wire::Announcement> Received(std::size_t count) {
    std::vector<wire::Announcement> out;
    for (const Datagram& d : pc_.Take(count)) {
      const auto a = wire::ParseAnnouncement(d.data(), static_cast<std::int64_t>(d.size()));
      EXPECT_TRUE(a.has_value()) << "a datagram of " << d.size() << " bytes on the announcement port";
      if (a) out.push_back(*a);
    }
    return out;
  }

  DatagramReceiver pc_;
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(Announcements, SentOnStartOnEveryChangeAndOnceASecondWithoutTouchingTheFrameCounts) {
  ConnectCamera(kFourCC_YV12, 176, 144, 38016, 12, 333333);
  EXPECT_EQ(SendFrame(), 1u) << "the first frame after a start announces";
  EXPECT_EQ(SendFrame(), 1u);
  now_ += 999ms;
  EXPECT_EQ(SendFrame(), 1u);
  now_ += 1ms;
  EXPECT_EQ(SendFrame(), 2u) << "a second after the last one";

  struct Change {
    const char* what;
    std::int32_t compression, pixelCorrection, level;
  };
  const Change changes[] = {
      {"level", 1, 0, 1},
      {"PixelCorrection", 1, 1, 1},
      {"compression", 0, 1, 1},
  };
  std::uint64_t expected = 2;
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    sender_.ApplyCodecSettings(c.compression, c.pixelCorrection, c.level);
    EXPECT_EQ(SendFrame(), ++expected) << "the next frame after a change announces";
    EXPECT_EQ(SendFrame(), expected);
  }
  const auto received = Received(expected);
  ASSERT_EQ(received.size(), expected);
  EXPECT_EQ(received[2].level, 1u);
  EXPECT_EQ(received[3].pixelCorrection, 1u);
  EXPECT_EQ(received[4].compression, 0u);
  EXPECT_EQ(received[4].pcSwapUV, 0u);

  // Ten frames went out whole: the announcements are neither counted nor
  // taken for a part of a frame that failed.
  EXPECT_EQ(sender_.FramesSent(), 10u);
  EXPECT_EQ(sender_.FramesFailed(), 0u);
  std::uint64_t frameBytes = 0;
  for (const Datagram& d : Take(10)) frameBytes += d.size();
  EXPECT_EQ(sender_.BytesSent(), frameBytes);
}

TEST_F(Announcements, SayTheCameraFormatAndWhatThePcSetsToReceiveIt) {
  struct Case {
    std::uint32_t fourCC;
    int width, height;
    std::int32_t sampleSize;
    WORD bits;
    REFERENCE_TIME interval;
    std::int32_t compression;
    wire::Announcement expected;
  };
  const Case cases[] = {
      // Compressed YV12 is decoded in the phone's plane order: IYUV with SwapUV.
      {kFourCC_YV12, 176, 144, 38016, 12, 333333, 1,
       {kFourCC_YV12, 176, 144, 12, 38016, 1, 2, 0, 333333, kFourCC_IYUV, 1}},
      {kFourCC_YV12, 320, 240, 115200, 12, 666666, 0,
       {kFourCC_YV12, 320, 240, 12, 115200, 0, 2, 0, 666666, kFourCC_YV12, 0}},
      // Compression asked for but not in force; an interval not said is 0.
      {kFourCC_YUY2, 176, 144, 50688, 16, 0, 1,
       {kFourCC_YUY2, 176, 144, 16, 50688, 0, 2, 0, 0, kFourCC_YUY2, 0}},
      // A camera that leaves the bit count out: the bits that give its frame size.
      {kFourCC_YUY2, 320, 240, 153600, 0, 333333, 0,
       {kFourCC_YUY2, 320, 240, 16, 153600, 0, 2, 0, 333333, kFourCC_YUY2, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fourCC);
    sender_.SetFormat({});
    ConnectCamera(c.fourCC, c.width, c.height, c.sampleSize, c.bits, c.interval, c.compression);
    SendFrame();
  }
  const auto received = Received(std::size(cases));
  ASSERT_EQ(received.size(), std::size(cases));
  for (std::size_t i = 0; i < received.size(); ++i) EXPECT_EQ(received[i], cases[i].expected) << i;
}

}  // namespace
}  // namespace orlin::test
