// Every subtype the pin accepts lands in Y, U, V planes the right way round.
#include <gtest/gtest.h>

#include "view/video_frame.h"

namespace {

using orlin::view::FormatOfMediaType;
using orlin::view::FrameFormat;
using orlin::view::PixelLayout;
using orlin::view::PlanarFrame;
using orlin::view::Sampling;

std::optional<FrameFormat> Format(const GUID& subtype, LONG width, LONG height) {
  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = 333333;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = subtype;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  return FormatOfMediaType(type);
}

TEST(VideoFrame, PlanarTypesKeepTheirSamplesWithYv12ChromaPutRight) {
  const auto yv12 = Format(MEDIASUBTYPE_YV12, 4, 2);
  ASSERT_TRUE(yv12);
  EXPECT_EQ(yv12->FrameBytes(), 12u);
  const std::uint8_t bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, /*V*/ 20, 21, /*U*/ 10, 11};
  PlanarFrame frame;
  ASSERT_TRUE(ToPlanar(*yv12, bytes, sizeof bytes, frame));
  EXPECT_EQ(frame.sampling, Sampling::k420);
  EXPECT_EQ(frame.u, (std::vector<std::uint8_t>{10, 11}));
  EXPECT_EQ(frame.v, (std::vector<std::uint8_t>{20, 21}));

  const auto iyuv = Format(MEDIASUBTYPE_IYUV, 4, 2);
  ASSERT_TRUE(iyuv);
  ASSERT_TRUE(ToPlanar(*iyuv, bytes, sizeof bytes, frame));
  EXPECT_EQ(frame.u, (std::vector<std::uint8_t>{20, 21}));
  EXPECT_EQ(frame.v, (std::vector<std::uint8_t>{10, 11}));
  EXPECT_FALSE(ToPlanar(*iyuv, bytes, 11, frame)) << "a short sample is refused";

  const auto nv12 = Format(MEDIASUBTYPE_NV12, 4, 2);
  ASSERT_TRUE(nv12);
  const std::uint8_t interleaved[12] = {1, 2, 3, 4, 5, 6, 7, 8, 10, 20, 11, 21};
  ASSERT_TRUE(ToPlanar(*nv12, interleaved, sizeof interleaved, frame));
  EXPECT_EQ(frame.u, (std::vector<std::uint8_t>{10, 11}));
  EXPECT_EQ(frame.v, (std::vector<std::uint8_t>{20, 21}));
}

TEST(VideoFrame, PackedYuvBecomesPlanar422) {
  const std::uint8_t yuy2[8] = {1, 10, 2, 20, 3, 11, 4, 21};
  const std::uint8_t uyvy[8] = {10, 1, 20, 2, 11, 3, 21, 4};
  for (const auto& [subtype, bytes] : {std::pair{MEDIASUBTYPE_YUY2, yuy2}, std::pair{MEDIASUBTYPE_UYVY, uyvy}}) {
    const auto format = Format(subtype, 4, 1);
    ASSERT_TRUE(format);
    PlanarFrame frame;
    ASSERT_TRUE(ToPlanar(*format, bytes, 8, frame));
    EXPECT_EQ(frame.sampling, Sampling::k422);
    EXPECT_EQ(frame.y, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(frame.u, (std::vector<std::uint8_t>{10, 11}));
    EXPECT_EQ(frame.v, (std::vector<std::uint8_t>{20, 21}));
  }
}

TEST(VideoFrame, BottomUpRgbIsFlippedAndConvertedToStudioRange444) {
  const auto format = Format(MEDIASUBTYPE_RGB24, 1, 2);  // positive height: bottom row first
  ASSERT_TRUE(format);
  EXPECT_EQ(format->FrameBytes(), 8u) << "rows padded to 4 bytes";
  const std::uint8_t bytes[8] = {0, 0, 0, 0, /*top: white*/ 255, 255, 255, 0};
  PlanarFrame frame;
  ASSERT_TRUE(ToPlanar(*format, bytes, sizeof bytes, frame));
  EXPECT_EQ(frame.sampling, Sampling::k444);
  EXPECT_EQ(frame.y, (std::vector<std::uint8_t>{235, 16}));
  EXPECT_EQ(frame.u, (std::vector<std::uint8_t>{128, 128}));
  const std::vector<std::uint8_t> rgb = ToRgb(frame);
  EXPECT_EQ(rgb, (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0}));

  const auto top_down = Format(MEDIASUBTYPE_RGB32, 1, -2);
  ASSERT_TRUE(top_down);
  const std::uint8_t red_then_blue[8] = {0, 0, 255, 0, 255, 0, 0, 0};  // B, G, R, X
  ASSERT_TRUE(ToPlanar(*top_down, red_then_blue, 8, frame));
  EXPECT_GT(frame.v[0], 200) << "red first";
  EXPECT_GT(frame.u[1], 200) << "blue second";
}

TEST(VideoFrame, TypesThatCannotBeSplitAreRefused) {
  EXPECT_FALSE(Format(MEDIASUBTYPE_YV12, 5, 2)) << "odd width in 4:2:0";
  EXPECT_FALSE(Format(MEDIASUBTYPE_YV12, 4, 3)) << "odd height in 4:2:0";
  EXPECT_FALSE(Format(MEDIASUBTYPE_YUY2, 3, 2));
  EXPECT_FALSE(Format(MEDIASUBTYPE_YV12, 0, 2));
  EXPECT_TRUE(Format(MEDIASUBTYPE_RGB24, 3, 3));
  GUID unknown = MEDIASUBTYPE_YV12;
  unknown.Data1 = 0x31313131;
  EXPECT_FALSE(Format(unknown, 4, 2));
}

}  // namespace
