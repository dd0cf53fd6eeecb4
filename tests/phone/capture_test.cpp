// The capture's paths: finding the camera, starting, detecting the formats
// for the dialog, restarting after it, and frames reaching the PC's port.
#include <gtest/gtest.h>

#include <chrono>

#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/test_picture.h"
#include "tests/phone/capture_fixture.h"
#include "tests/phone/capture_scripted_filter.h"
#include "tests/phone/support/datagram_receiver.h"
#include "wire/four_cc.h"

namespace orlin::test {
namespace {

using phone::VideoFormat;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

std::u16string U16(const phone::WideText& text) { return {text.begin(), text.end()}; }

class CaptureTest : public CaptureFixture {
 protected:
  // The formats the Video Format dialog would list.
  std::vector<VideoFormat> Listed(int* current) {
    const VideoFormat* list = nullptr;
    int count = -1;
    EXPECT_TRUE(capture_.ListVideoFormats(&list, &count, current));
    return list == nullptr ? std::vector<VideoFormat>() : std::vector<VideoFormat>(list, list + count);
  }
};

TEST_F(CaptureTest, NoCameraIsReportedThenTheStartFails) {
  phone::cameras::ChooseCamera("/nonexistent/camera.y4m");
  const HRESULT hr = capture_.StartCapture();
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(259));  // the device manager's "no more items"
  EXPECT_EQ(Messages(),
            (std::vector<std::u16string>{u"Camera not found", u"Starting the capture failed"}));
  EXPECT_EQ(U16(capture_.GetAddressText()), u"<initializing...>");
  // Nothing to list or restart; the dialog still opens, empty.
  int current = 7;
  EXPECT_TRUE(Listed(&current).empty());
  EXPECT_EQ(current, -1);
  EXPECT_EQ(capture_.RestartCapture(), S_FALSE);
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(CaptureTest, FirstOfferedFormatIsTakenAndListedAsCurrent) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  ASSERT_TRUE(WaitForFrames(3));
  int current = -2;
  const std::vector<VideoFormat> formats = Listed(&current);
  ASSERT_EQ(formats.size(), 11u);
  EXPECT_EQ(current, 0);
  EXPECT_EQ(formats[0].FourCC, kFourCC_YV12);
  EXPECT_EQ(formats[0].Width, 176);
  EXPECT_EQ(formats[3].FourCC, kFourCC_YUY2);
  EXPECT_EQ(formats[6].Width, 176);  // RGB565 after the phone sizes, before HD
  // Detection leaves the camera stopped until the dialog ends.
  const long stopped = FramesDelivered();
  EXPECT_FALSE(CameraStreaming());
  EXPECT_EQ(FramesDelivered(), stopped);
}

TEST_F(CaptureTest, PickedFormatIsStoredAndStreamedAfterTheRestart) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  int current = -1;
  const std::vector<VideoFormat> formats = Listed(&current);
  ASSERT_GT(formats.size(), 4u);
  capture_.StoreVideoFormat(4);  // YUY2 320x240
  ASSERT_EQ(capture_.RestartCapture(), S_OK);
  VideoFormat format;
  ASSERT_TRUE(capture_.GetVideoFormat(&format));
  EXPECT_TRUE(phone::SameFormat(format, formats[4]));
  EXPECT_EQ(capture_.Sender()->SampleSize(), 320 * 240 * 2);
  EXPECT_EQ(capture_.Sender()->ChunkCount(), 3);
  EXPECT_TRUE(WaitForFrames(3));
  EXPECT_EQ(Listed(&current).size(), 11u);
  EXPECT_EQ(current, 4);
}

TEST_F(CaptureTest, CancelRestartsWithTheFormatInForce) {
  StoreFormat(kFourCC_YV12, 320, 240);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  int current = -1;
  EXPECT_EQ(Listed(&current).size(), 11u);
  EXPECT_EQ(current, 1);
  ASSERT_EQ(capture_.RestartCapture(), S_OK);  // nothing stored: Cancel
  VideoFormat format;
  ASSERT_TRUE(capture_.GetVideoFormat(&format));
  EXPECT_EQ(format.FourCC, kFourCC_YV12);
  EXPECT_EQ(format.Width, 320);
  EXPECT_EQ(capture_.Sender()->Compression(), 1);
  EXPECT_TRUE(WaitForFrames(3));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CaptureTest, CancelOnAFreshPhoneKeepsTheFirstFormatTaken) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  int current = -1;
  Listed(&current);
  ASSERT_EQ(capture_.RestartCapture(), S_OK);
  VideoFormat format;
  ASSERT_TRUE(capture_.GetVideoFormat(&format));
  EXPECT_EQ(format.FourCC, kFourCC_YV12);
  EXPECT_EQ(format.Width, 176);
  EXPECT_TRUE(WaitForFrames(3));
}

TEST_F(CaptureTest, DetectionListsTheFirstFiftyOfMoreTypes) {
  FilterScript script;
  for (int i = 0; i < 60; ++i) {
    script.camera.OfferVideo(kFourCC_YUY2, 16 + 2 * i, 16, (16 + 2 * i) * 16 * 2);
  }
  ScriptedFilterClass scripted(script);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(script.camera.AcceptedIndex(), 0);
  int current = -1;
  const std::vector<VideoFormat> formats = Listed(&current);
  ASSERT_EQ(formats.size(), 50u);
  EXPECT_EQ(formats[49].Width, 16 + 2 * 49);
  EXPECT_EQ(script.camera.OfferedCount(), 60);  // every type was offered, and refused
  EXPECT_FALSE(script.connected);
  EXPECT_EQ(current, 0);
}

TEST_F(CaptureTest, FailedDetectionStopShowsAnEmptyListAndTheRestartStillRuns) {
  FilterScript script;
  script.camera.OfferVideo(kFourCC_YV12, 176, 144, 176 * 144 * 3 / 2);
  ScriptedFilterClass scripted(script);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  ASSERT_EQ(script.runs, 1);
  script.stopResults = {E_FAIL};
  int current = 5;
  EXPECT_TRUE(Listed(&current).empty());
  EXPECT_EQ(current, -1);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Detecting video formats failed"});

  ASSERT_EQ(capture_.RestartCapture(), S_OK);
  EXPECT_EQ(script.runs, 2);
  EXPECT_TRUE(script.connected);
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(CaptureTest, RestartThatCannotConnectIsReportedAndLeavesTheCameraStopped) {
  FilterScript script;
  script.camera.OfferVideo(kFourCC_YV12, 176, 144, 176 * 144 * 3 / 2);
  ScriptedFilterClass scripted(script);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  int current = -1;
  Listed(&current);
  StoreFormat(kFourCC_YUY2, 640, 480);  // a format this camera does not have
  EXPECT_TRUE(FAILED(capture_.RestartCapture()));
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Restarting the capture failed"});
  EXPECT_EQ(script.runs, 1);
}

TEST_F(CaptureTest, TestCameraFramesArriveAtTheReceivingPort) {
  StoreDword(phone::kSettingsKey, ORLIN_TEXT("Compression"), 0);
  EXPECT_FALSE(capture_.StoreDestination(ORLIN_TEXT("127.0.0.1")));  // stored; no sender yet
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  const std::vector<Datagram> frames = pc_.Take(3);
  ASSERT_GE(frames.size(), 3u);
  const int w = 176, h = 144;
  for (const Datagram& frame : frames) ASSERT_EQ(frame.size(), std::size_t(w * h * 3 / 2));

  // YV12 on the wire: V plane, then U. The yellow bar has U low and V high.
  const Datagram& frame = frames[0];
  const std::size_t vPlane = std::size_t(w) * h;
  const std::size_t uPlane = vPlane + std::size_t(w / 2) * (h / 2);
  const int row = 30, yellowColumn = w * 3 / 14 / 2;  // the middle of bar 1, in chroma columns
  const phone::cameras::Yuv yellow = phone::cameras::ColourBar(1);
  EXPECT_EQ(frame[vPlane + row * (w / 2) + yellowColumn], yellow.v);
  EXPECT_EQ(frame[uPlane + row * (w / 2) + yellowColumn], yellow.u);
  // A moving picture: consecutive frames differ.
  EXPECT_NE(frames[0], frames[1]);
}

TEST_F(CaptureTest, CompressedFramesArriveWithTheirHeader) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  const std::vector<Datagram> frames = pc_.Take(2);
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0][0], 0x77);
  EXPECT_EQ(frames[0][1], 0x88);
  EXPECT_EQ(frames[0][2] | (frames[0][3] << 8), static_cast<int>(frames[0].size()) - 4);
}

TEST_F(CaptureTest, RestartAfterAStartThatFailedAtItsConnectionOpensTheNetwork) {
  StoreFormat(kFourCC_YV12, 0, 0);  // matches nothing: the start fails before OpenNetwork
  ASSERT_TRUE(FAILED(capture_.StartCapture()));
  int current = -1;
  ASSERT_EQ(Listed(&current).size(), 11u);
  capture_.StoreVideoFormat(0);
  ASSERT_EQ(capture_.RestartCapture(), S_OK);
  EXPECT_FALSE(pc_.Take(1).empty());
  EXPECT_EQ(U16(capture_.GetAddressText()), u"127.0.0.1");
}

TEST_F(CaptureTest, HeadlessStartTakesTheFirstFormatForAStoredOneNotOffered) {
  StoreFormat(kFourCC_YUY2, 1000, 10);
  VideoFormat unoffered;
  ASSERT_EQ(capture_.StartCapture(&unoffered), S_OK);
  EXPECT_TRUE(phone::SameFormat(unoffered, VideoFormat{kFourCC_YUY2, 1000, 10}));
  VideoFormat format;
  ASSERT_TRUE(capture_.GetVideoFormat(&format));
  EXPECT_TRUE(phone::SameFormat(format, VideoFormat{kFourCC_YV12, 176, 144}));
  EXPECT_FALSE(pc_.Take(1).empty());
  EXPECT_TRUE(Messages().empty());
  // An offered format is no fall-back.
  capture_.StopCapture();
  StoreFormat(kFourCC_YV12, 320, 240);
  ASSERT_EQ(capture_.StartCapture(&unoffered), S_OK);
  EXPECT_EQ(unoffered.FourCC, 0u);
}

TEST_F(CaptureTest, StopEndsTheFramesAndForgetsTheSender) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  ASSERT_TRUE(WaitForFrames(2));
  EXPECT_EQ(capture_.StopCapture(), S_OK);
  const long stopped = FramesDelivered();
  EXPECT_FALSE(CameraStreaming());
  EXPECT_EQ(FramesDelivered(), stopped);
  EXPECT_EQ(capture_.Sender(), nullptr);
  EXPECT_EQ(U16(capture_.GetAddressText()), u"<initializing...>");
  EXPECT_NE(capture_.Camera(), nullptr);  // the filter is kept
}

}  // namespace
}  // namespace orlin::test
