// The writers: Y4M headers and plane order, PNG that decodes back to the
// frame, the V4L2 packing, and the session's new-versus-repeated counts.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "view/png_writer.h"
#include "view/v4l2_writer.h"
#include "view/view_session.h"
#include "view/y4m_writer.h"

namespace {

using orlin::view::PlanarFrame;
using orlin::view::Sampling;

PlanarFrame Frame(Sampling sampling, int width, int height, std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  PlanarFrame frame;
  frame.sampling = sampling;
  frame.width = width;
  frame.height = height;
  frame.y.assign(static_cast<std::size_t>(width) * height, y);
  frame.u.assign(static_cast<std::size_t>(frame.ChromaWidth()) * frame.ChromaHeight(), u);
  frame.v.assign(frame.u.size(), v);
  return frame;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Y4mWriter, HeaderNamesSizeRateAndSamplingAndPlanesFollowInYuvOrder) {
  EXPECT_EQ(orlin::view::Y4mStreamHeader(Frame(Sampling::k420, 176, 144, 0, 0, 0), 333333),
            "YUV4MPEG2 W176 H144 F10000000:333333 Ip A1:1 C420\n");
  EXPECT_EQ(orlin::view::Y4mStreamHeader(Frame(Sampling::k422, 2, 2, 0, 0, 0), 400000),
            "YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C422\n");
  EXPECT_EQ(orlin::view::Y4mStreamHeader(Frame(Sampling::k444, 2, 2, 0, 0, 0), 0),
            "YUV4MPEG2 W2 H2 F30:1 Ip A1:1 C444\n");

  const std::string path = ::testing::TempDir() + "writer_test.y4m";
  {
    orlin::view::Y4mWriter writer(path, 400000);
    ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 2, 2, 'y', 'u', 'v')));
    ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 2, 2, 'Y', 'U', 'V')));
    EXPECT_FALSE(writer.Write(Frame(Sampling::k420, 4, 2, 'Y', 'U', 'V'))) << "size changed";
    EXPECT_TRUE(writer.Finish());
  }
  EXPECT_EQ(ReadAll(path), "YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C420\nFRAME\nyyyyuvFRAME\nYYYYUV");
  std::remove(path.c_str());

  orlin::view::Y4mWriter unwritable("/nonexistent/dir/out.y4m", 0);
  EXPECT_FALSE(unwritable.Write(Frame(Sampling::k420, 2, 2, 0, 0, 0)));
  EXPECT_NE(unwritable.Error().find("/nonexistent/dir/out.y4m"), std::string::npos);
}

TEST(Y4mWriter, AFrameWrittenToAPipeIsReadableBeforeTheNextIsWritten) {
  // A player reading the pipe must get each frame as it is delivered, not
  // when the next one pushes it out of a buffer.
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  ASSERT_EQ(fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);
  orlin::view::Y4mWriter writer("/dev/fd/" + std::to_string(ends[1]), 400000);
  std::string arrived;
  char buffer[256];
  for (const char fill : {'a', 'b'}) {
    ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 2, 2, fill, fill, fill))) << writer.Error();
    ssize_t got = 0;
    while ((got = read(ends[0], buffer, sizeof buffer)) > 0) {
      arrived.append(buffer, static_cast<std::size_t>(got));
    }
    ASSERT_GE(arrived.size(), 12u) << "frame '" << fill << "' held back";
    EXPECT_EQ(arrived.substr(arrived.size() - 12), std::string("FRAME\n") + std::string(6, fill));
  }
  EXPECT_EQ(arrived, "YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C420\nFRAME\naaaaaaFRAME\nbbbbbb");
  EXPECT_TRUE(writer.Finish());
  close(ends[0]);
  close(ends[1]);
}

TEST(PngWriter, TheLastFrameDecodesBackToItsColours) {
  const std::string path = ::testing::TempDir() + "writer_test.png";
  orlin::view::PngWriter writer(path);
  EXPECT_FALSE(orlin::view::PngWriter(path).Finish()) << "no frame, no picture";
  ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 4, 2, 16, 128, 128)));
  ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 4, 2, 235, 128, 128)));  // white replaces black
  ASSERT_TRUE(writer.Finish()) << writer.Error();

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0);
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(image.height, 2u);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
  for (png_byte value : pixels) EXPECT_EQ(value, 255);
  std::remove(path.c_str());
}

TEST(V4l2Writer, FramesArePackedInTheDeviceFormatAndNonDevicesAreRefused) {
  EXPECT_EQ(orlin::view::PackForDevice(Frame(Sampling::k420, 2, 2, 1, 2, 3)),
            (std::vector<std::uint8_t>{1, 1, 1, 1, 2, 3}));
  EXPECT_EQ(orlin::view::PackForDevice(Frame(Sampling::k422, 2, 1, 1, 2, 3)),
            (std::vector<std::uint8_t>{1, 2, 1, 3}));
  EXPECT_EQ(orlin::view::PackForDevice(Frame(Sampling::k444, 1, 1, 235, 128, 128)).size(), 3u);

  orlin::view::V4l2Writer missing("/nonexistent/video99");
  EXPECT_FALSE(missing.Open());
  EXPECT_NE(missing.Error().find("/nonexistent/video99"), std::string::npos);
  orlin::view::V4l2Writer not_a_device("/dev/null");
  EXPECT_FALSE(not_a_device.Open());
  EXPECT_NE(not_a_device.Error().find("not a V4L2 device"), std::string::npos) << not_a_device.Error();
}

TEST(ViewSession, CountsRepeatsAndStopsAtTheLimitOfFramesWritten) {
  orlin::view::ViewSession session(2, true);
  session.SetFormat({orlin::view::PixelLayout::kI420, 2, 2, false, 333333});
  const std::uint8_t a[6] = {1, 2, 3, 4, 5, 6}, b[6] = {1, 2, 3, 4, 5, 7};
  EXPECT_EQ(session.OnSample(a, 6), S_OK);
  EXPECT_EQ(session.OnSample(a, 6), S_OK);
  EXPECT_FALSE(session.Done()) << "a repeat is not written, so it does not count";
  EXPECT_EQ(session.OnSample(b, 6), S_FALSE);
  EXPECT_TRUE(session.Done());
  const orlin::view::SessionCounts counts = session.Counts();
  EXPECT_EQ(counts.delivered, 3u);
  EXPECT_EQ(counts.fresh, 2u);
  EXPECT_EQ(counts.repeated, 1u);

  // One byte changed anywhere, in the whole words or the tail, is a new frame.
  const std::vector<std::uint8_t> frame(21, 9);
  for (std::size_t i = 0; i < frame.size(); ++i) {
    std::vector<std::uint8_t> changed = frame;
    changed[i] ^= 1;
    EXPECT_NE(orlin::view::FrameHash(changed.data(), changed.size()),
              orlin::view::FrameHash(frame.data(), frame.size()))
        << "byte " << i;
  }

  orlin::view::ViewSession small(0, false);
  small.SetFormat({orlin::view::PixelLayout::kI420, 2, 2, false, 0});
  EXPECT_EQ(small.OnSample(a, 5), S_FALSE) << "a sample too small for the format ends the run";
  EXPECT_FALSE(small.Error().empty());
}

}  // namespace
