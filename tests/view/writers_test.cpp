// The writers: Y4M headers and plane order, PNG that decodes back to the
// frame, the V4L2 packing, and what the session counts, writes and shows.
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

// Keeps the frames it is given, to see what the session writes.
class KeptFrames final : public orlin::view::FrameWriter {
 public:
  explicit KeptFrames(std::vector<std::uint8_t>* first_luma) : first_luma_(first_luma) {}
  bool Write(const PlanarFrame& frame) override {
    first_luma_->push_back(frame.y[0]);
    return true;
  }

 private:
  std::vector<std::uint8_t>* first_luma_;
};

TEST(ViewSession, OnlyFramesTheSourceCallsFramesAreCountedWrittenAndPreviewed) {
  using Kind = orlin::view::SampleKind;
  struct Case {
    const char* name;
    std::vector<std::pair<Kind, std::uint8_t>> samples;  // what the source said, and the first byte
    std::uint64_t fresh, repeated, other;
    std::vector<std::uint8_t> written, previewed;
  };
  const Case cases[] = {
      // No phone: an empty sample, then cards; a repeat of nothing is no frame either.
      {"silence", {{Kind::kMisread, 0}, {Kind::kCard, 1}, {Kind::kRepeat, 1}, {Kind::kCard, 1}},
       0, 0, 4, {}, {1, 1}},
      {"frames and repeats", {{Kind::kCard, 1}, {Kind::kFrame, 5}, {Kind::kRepeat, 5}, {Kind::kFrame, 5}},
       2, 1, 1, {5, 5, 5}, {1, 5, 5}},
      {"a mismatch after frames", {{Kind::kFrame, 5}, {Kind::kMisread, 9}, {Kind::kCard, 2}, {Kind::kRepeat, 5}},
       1, 1, 2, {5, 5}, {5, 2}},
      // A source that does not say: the first sample is new, an identical one repeated.
      {"unknown", {{Kind::kUnknown, 3}, {Kind::kUnknown, 3}, {Kind::kUnknown, 4}}, 2, 1, 0, {3, 3, 4}, {3, 4}},
  };
  for (const Case& c : cases) {
    orlin::view::ViewSession session(0, false);
    session.SetFormat({orlin::view::PixelLayout::kI420, 2, 2, false, 333333});
    std::vector<std::uint8_t> written, previewed;
    session.AddWriter(std::make_unique<KeptFrames>(&written));
    session.SetPreview([&](const std::uint8_t* data, std::size_t size) {
      EXPECT_EQ(size, 6u);
      previewed.push_back(data[0]);
    });
    for (const auto& [kind, first] : c.samples) {
      const std::uint8_t sample[6] = {first, 2, 3, 4, 5, 6};
      EXPECT_EQ(session.OnSample(sample, 6, kind), S_OK) << c.name;
    }
    const orlin::view::SessionCounts counts = session.Counts();
    EXPECT_EQ(counts.fresh, c.fresh) << c.name;
    EXPECT_EQ(counts.repeated, c.repeated) << c.name;
    EXPECT_EQ(counts.delivered, c.fresh + c.repeated) << c.name;
    EXPECT_EQ(counts.other, c.other) << c.name;
    EXPECT_EQ(written, c.written) << c.name;
    EXPECT_EQ(previewed, c.previewed) << c.name;
  }
}

TEST(ViewSession, OutputsAreCheckedBeforeAnyFrameAndLeaveNothingWhenNoneCame) {
  const std::string dir = ::testing::TempDir();
  for (const std::string& bad : {std::string("/nonexistent/dir/out"), dir}) {
    orlin::view::ViewSession session(0, false);
    session.AddWriter(std::make_unique<orlin::view::Y4mWriter>(bad, 0));
    EXPECT_NE(session.OpenWriters().find(bad), std::string::npos) << bad;
    orlin::view::ViewSession snapshot(0, false);
    snapshot.AddWriter(std::make_unique<orlin::view::PngWriter>(bad));
    EXPECT_NE(snapshot.OpenWriters().find(bad), std::string::npos) << bad;
  }

  // A file Open made goes again when no frame came; one that was there stays as it was.
  const std::string made = dir + "view_session_made.y4m", kept = dir + "view_session_kept.y4m";
  std::ofstream(kept) << "before";
  for (const std::string& path : {made, kept}) {
    orlin::view::ViewSession session(0, false);
    session.AddWriter(std::make_unique<orlin::view::Y4mWriter>(path, 0));
    EXPECT_EQ(session.OpenWriters(), "");
    EXPECT_EQ(session.Finish(), "");
  }
  EXPECT_NE(access(made.c_str(), F_OK), 0);
  EXPECT_EQ(ReadAll(kept), "before");
  // With a frame, the file that was there is replaced.
  orlin::view::Y4mWriter writer(kept, 400000);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.Write(Frame(Sampling::k420, 2, 2, 'y', 'u', 'v')));
  ASSERT_TRUE(writer.Finish());
  EXPECT_EQ(ReadAll(kept), "YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C420\nFRAME\nyyyyuv");
  std::remove(kept.c_str());
}

}  // namespace
