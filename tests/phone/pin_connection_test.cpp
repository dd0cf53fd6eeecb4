// What the sender's pin accepts from a camera, and what a connection puts in force.
#include <gtest/gtest.h>

#include <tuple>

#include "phone/frame_sender.h"
#include "phone/video_format.h"
#include "tests/phone/support/camera_script.h"
#include "wire/four_cc.h"

namespace orlin::test {
namespace {

using phone::VideoFormat;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

constexpr std::uint32_t kFourCCRGB = 0x20424752;  // an uncompressed format of another kind

class PinConnection : public ::testing::Test {
 protected:
  HRESULT ConnectCamera() { return camera_.ConnectTo(sender_.InputPin()); }

  phone::FrameSender sender_;
  CameraScript camera_;
};

TEST_F(PinConnection, NoChosenFormatTakesTheFirstVideoTypeWithAVideoInfoHeader) {
  auto audio = VideoType(kFourCC_YV12, 176, 144, 38016);
  audio->type.majortype = GUID_NULL;
  camera_.Offer(std::move(audio));
  auto noBlock = VideoType(kFourCC_YV12, 176, 144, 38016);
  noBlock->type.pbFormat = nullptr;
  camera_.Offer(std::move(noBlock));
  auto shortBlock = VideoType(kFourCC_YV12, 176, 144, 38016);
  shortBlock->type.cbFormat = sizeof(VIDEOINFOHEADER) - 1;
  camera_.Offer(std::move(shortBlock));
  auto otherFormatType = VideoType(kFourCC_YV12, 176, 144, 38016);
  otherFormatType->type.formattype = GUID_NULL;
  camera_.Offer(std::move(otherFormatType));
  camera_.OfferVideo(kFourCC_YUY2, 320, 240, 153600);
  camera_.OfferVideo(kFourCC_YV12, 176, 144, 38016);

  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(camera_.AcceptedIndex(), 4);
  const VideoFormat format = sender_.Format();
  EXPECT_EQ(format.FourCC, kFourCC_YUY2);
  EXPECT_EQ(format.Width, 320);
  EXPECT_EQ(format.Height, 240);
  EXPECT_EQ(sender_.SampleSize(), 153600);
  EXPECT_EQ(sender_.ChunkCount(), 3);
  EXPECT_EQ(sender_.ChunkSize(), 51200);
}

TEST_F(PinConnection, AChosenFormatAcceptsOnlyAnExactMatch) {
  sender_.SetFormat({kFourCC_YV12, 176, 144});
  camera_.OfferVideo(kFourCC_YUY2, 176, 144, 50688);
  camera_.OfferVideo(kFourCC_YV12, 320, 240, 115200);
  camera_.OfferVideo(kFourCC_YV12, 176, 120, 31680);
  camera_.OfferVideo(kFourCC_YV12, 176, 144, 38016);
  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(camera_.AcceptedIndex(), 3);
  EXPECT_EQ(sender_.SampleSize(), 38016);
}

TEST_F(PinConnection, NegativeHeightMeansTopDownRowsOfThatHeight) {
  sender_.SetFormat({kFourCC_YV12, 176, 144});
  camera_.OfferVideo(kFourCC_YV12, 176, -144, 38016);
  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(sender_.Format().Height, 144);

  phone::FrameSender fresh;
  CameraScript camera;
  camera.OfferVideo(kFourCC_YUY2, 320, -240, 153600);
  ASSERT_EQ(camera.ConnectTo(fresh.InputPin()), S_OK);
  EXPECT_EQ(fresh.Format().Height, 240);
}

TEST_F(PinConnection, TypesWithoutAPositiveSampleSizeAreRefused) {
  camera_.OfferVideo(kFourCC_YUY2, 320, 240, 0);
  camera_.OfferVideo(kFourCC_YUY2, 320, 240, -153600);
  camera_.OfferVideo(kFourCCRGB, 160, 120, 57600);
  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(camera_.AcceptedIndex(), 2);
  EXPECT_EQ(sender_.Format().FourCC, kFourCCRGB) << "a refused type must not become the format";
  EXPECT_EQ(sender_.ChunkCount(), 1);
  EXPECT_EQ(sender_.ChunkSize(), 57600);
}

TEST_F(PinConnection, NullMediaTypeIsAPointerError) {
  EXPECT_EQ(sender_.InputPin()->ReceiveConnection(nullptr, nullptr), E_POINTER);
}

TEST_F(PinConnection, CompressionNeedsYv12WithinTheEncoderLimits) {
  sender_.SetCodecRequest(1, 0, 2);
  camera_.OfferVideo(kFourCC_YV12, 176, 144, 38016);
  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(sender_.Compression(), 1);
  EXPECT_TRUE(sender_.SendLength());

  phone::FrameSender wide;  // 2052 pixels: a plane wider than the encoder codes
  wide.SetCodecRequest(1, 0, 2);
  CameraScript camera;
  camera.OfferVideo(kFourCC_YV12, 2052, 8, 2052 * 12);
  ASSERT_EQ(camera.ConnectTo(wide.InputPin()), S_OK);
  EXPECT_EQ(wide.Compression(), 0);
  EXPECT_EQ(wide.ApplyCodecSettings(1, 0, 2), 0);

  phone::FrameSender yuy2;
  yuy2.SetCodecRequest(1, 0, 2);
  CameraScript yuy2Camera;
  yuy2Camera.OfferVideo(kFourCC_YUY2, 176, 144, 50688);
  ASSERT_EQ(yuy2Camera.ConnectTo(yuy2.InputPin()), S_OK);
  EXPECT_EQ(yuy2.Compression(), 0);
  EXPECT_EQ(yuy2.ApplyCodecSettings(1, 0, 2), 0);
  EXPECT_FALSE(yuy2.SendLength());

  // YV12 -> YUY2 -> YV12: the format that cannot be compressed does not cost
  // the request, so the next YV12 connection compresses again.
  for (const auto& [fourCC, bytes, compressed] :
       {std::tuple{kFourCC_YUY2, 50688, 0}, std::tuple{kFourCC_YV12, 38016, 1}}) {
    CameraScript next;
    next.OfferVideo(fourCC, 176, 144, bytes);
    sender_.SetFormat({});
    ASSERT_EQ(next.ConnectTo(sender_.InputPin()), S_OK);
    EXPECT_EQ(sender_.Compression(), compressed);
  }
}

TEST_F(PinConnection, ReductionLevelsAreKeptBetweenZeroAndThree) {
  sender_.SetCodecRequest(1, 0, 9);
  camera_.OfferVideo(kFourCC_YV12, 176, 144, 38016);
  ASSERT_EQ(ConnectCamera(), S_OK);
  EXPECT_EQ(sender_.NumReductions(), 3);
  EXPECT_FALSE(sender_.SendLength()) << "level 3 is the fixed-size mode";
  sender_.ApplyCodecSettings(1, 0, -2);
  EXPECT_EQ(sender_.NumReductions(), 0);
  EXPECT_TRUE(sender_.SendLength());
  sender_.ApplyCodecSettings(1, 0, 7);
  EXPECT_EQ(sender_.NumReductions(), 3);
}

class Detection : public PinConnection {};

TEST_F(Detection, EveryOfferedTypeIsListedAndRefusedUpToFifty) {
  VideoFormat list[phone::kMaxVideoFormats + 1] = {};
  list[phone::kMaxVideoFormats] = {0xDEADBEEF, 1, 1};  // must survive
  sender_.AttachFormatList(list);
  sender_.SetDetecting(true);
  for (int i = 0; i < 60; ++i)
    camera_.OfferVideo(kFourCC_YV12 + static_cast<std::uint32_t>(i), 16 * (i + 1), -8 * (i + 1), 0);
  EXPECT_EQ(ConnectCamera(), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_EQ(camera_.OfferedCount(), 60);
  ASSERT_EQ(sender_.DetectedFormatCount(), 50);
  for (int i = 0; i < 50; ++i) {
    VideoFormat format;
    ASSERT_EQ(sender_.GetDetectedFormat(i, &format), S_OK);
    EXPECT_EQ(format.FourCC, kFourCC_YV12 + static_cast<std::uint32_t>(i));
    EXPECT_EQ(format.Width, 16 * (i + 1));
    EXPECT_EQ(format.Height, 8 * (i + 1));
  }
  EXPECT_EQ(list[50].FourCC, 0xDEADBEEFu);
  VideoFormat format;
  EXPECT_EQ(sender_.GetDetectedFormat(50, &format), E_INVALIDARG);
  EXPECT_EQ(sender_.GetDetectedFormat(-1, &format), E_INVALIDARG);
  EXPECT_EQ(sender_.AddDetectedFormat(1, 2, 3), -2);
  EXPECT_EQ(sender_.Format().FourCC, 0u) << "detection chooses nothing";
}

TEST_F(Detection, WithoutAListEntriesAreDroppedAndTypesStillRefused) {
  EXPECT_EQ(sender_.AddDetectedFormat(kFourCC_YV12, 176, 144), -1);
  sender_.SetDetecting(true);
  camera_.OfferVideo(kFourCC_YV12, 176, 144, 38016);
  EXPECT_EQ(ConnectCamera(), VFW_E_NO_ACCEPTABLE_TYPES);
  VideoFormat format;
  EXPECT_EQ(sender_.GetDetectedFormat(0, &format), E_INVALIDARG);
}

TEST_F(Detection, AttachingAListStartsItEmpty) {
  VideoFormat first[phone::kMaxVideoFormats];
  sender_.AttachFormatList(first);
  EXPECT_EQ(sender_.AddDetectedFormat(kFourCC_YV12, 176, 144), 0);
  VideoFormat second[phone::kMaxVideoFormats];
  sender_.AttachFormatList(second);
  EXPECT_EQ(sender_.DetectedFormatCount(), 0);
  EXPECT_EQ(sender_.AddDetectedFormat(kFourCC_YUY2, 320, 240), 0);
  EXPECT_EQ(second[0].FourCC, kFourCC_YUY2);
}

}  // namespace
}  // namespace orlin::test
