#include "tools/orlin-codec/y4m_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

// A 4x2 stream: each frame's Y samples are 'Y', U samples 'U', V samples 'V'.
std::string Frame(const std::string& header = "FRAME") {
  return header + "\n" + std::string(8, 'Y') + std::string(2, 'U') + std::string(2, 'V');
}

std::string ErrorOf(const std::string& stream, int framesToRead = 1) {
  std::istringstream in(stream);
  try {
    Y4mReader reader(in);
    std::vector<std::uint8_t> frame;
    for (int i = 0; i < framesToRead; ++i) reader.ReadFrame(frame);
  } catch (const ToolError& error) {
    return error.what();
  }
  return "";
}

TEST(Y4mReader, GoodHeaderGivesSizeChromaAndRate) {
  std::istringstream in("YUV4MPEG2 W320 H240 F30000:1001 Ip A1:1 C420mpeg2 XYSCSS=420MPEG2\n");
  Y4mReader reader(in);
  EXPECT_EQ(reader.header().width, 320);
  EXPECT_EQ(reader.header().height, 240);
  EXPECT_EQ(reader.header().colourSpace, "420mpeg2");
  EXPECT_EQ(reader.header().frameRate, "30000:1001");
  EXPECT_EQ(reader.FrameBytes(), 320u * 240 * 3 / 2);
}

TEST(Y4mReader, FramesComeOutInThePhonesPlaneOrderYThenVThenU) {
  std::istringstream in("YUV4MPEG2 W4 H2 C420jpeg\n" + Frame() + Frame("FRAME Ip XTAG=1"));
  Y4mReader reader(in);
  std::vector<std::uint8_t> frame;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(reader.ReadFrame(frame));
    EXPECT_EQ(std::string(frame.begin(), frame.end()), std::string(8, 'Y') + "VVUU");
  }
  EXPECT_FALSE(reader.ReadFrame(frame));
  EXPECT_EQ(reader.frameCount(), 2);
}

TEST(Y4mReader, EveryFourTwoZeroSitingIsAcceptedAndNoTagMeansFourTwoZero) {
  for (const char* tag : {" C420", " C420jpeg", " C420mpeg2", " C420paldv", ""}) {
    EXPECT_EQ(ErrorOf(std::string("YUV4MPEG2 W4 H2") + tag + "\n" + Frame()), "") << tag;
  }
}

TEST(Y4mReader, OtherChromaIsRefusedByName) {
  for (const char* chroma : {"422", "444", "mono", "420p10", "411", "444alpha"}) {
    const std::string error = ErrorOf(std::string("YUV4MPEG2 W4 H2 C") + chroma + "\n");
    EXPECT_NE(error.find(std::string("C") + chroma + " is not supported"), std::string::npos) << error;
  }
}

TEST(Y4mReader, BadHeadersAreRefused) {
  EXPECT_NE(ErrorOf("").find("no YUV4MPEG2 header"), std::string::npos);
  EXPECT_NE(ErrorOf("RIFF....WAVE\n").find("not a YUV4MPEG2 stream"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2W4 H2\n").find("not a YUV4MPEG2 stream"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 H2\n").find("no W"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4\n").find("no H"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W0 H2\n").find("bad W"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4 Habc\n").find("bad H"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W99999 H2\n").find("bad W"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W5 H2\n").find("odd"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4 H2").find("cut short"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 " + std::string(5000, 'X')).find("longer than"), std::string::npos);
}

TEST(Y4mReader, TruncatedFrameSaysWhichAndHowMuchIsThere) {
  const std::string stream = "YUV4MPEG2 W4 H2\n" + Frame() + Frame().substr(0, 6 + 7);
  const std::string error = ErrorOf(stream, 2);
  EXPECT_NE(error.find("frame 2 is truncated: 7 of its 12 bytes"), std::string::npos) << error;
}

TEST(Y4mReader, DamagedFrameHeadersAreRefused) {
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4 H2\nFRA").find("cut short"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4 H2\nFRAMES\n").find("does not start with FRAME"), std::string::npos);
  EXPECT_NE(ErrorOf("YUV4MPEG2 W4 H2\n" + std::string(12, 'Y') + "\n").find("does not start with FRAME"),
            std::string::npos);
}

TEST(Y4mReader, StreamIsRecognisedByItsFirstBytes) {
  EXPECT_TRUE(LooksLikeY4m("YUV4MPEG2"));
  EXPECT_FALSE(LooksLikeY4m("YUV4MPEG"));
  EXPECT_FALSE(LooksLikeY4m(std::string(9, '\0')));
}

}  // namespace
}  // namespace orlin::tool
