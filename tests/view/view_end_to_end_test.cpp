// End to end on one machine: liborlin.so registered into a hive of the test's
// own with orlin-regsvr, the phone's FrameSender sending over loopback, and
// orlin-view hosting the camera filter and writing Y4M that must hold the
// frames sent, raw and compressed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "orlin/winsock.h"
#include "settings/video_format_settings.h"
#include "tests/support/stream_port.h"
#include "tests/support/test_data.h"
#include "tests/view/view_process.h"

namespace {

constexpr int kWidth = 176, kHeight = 144;
constexpr std::size_t kLuma = kWidth * kHeight, kChroma = kLuma / 4;

// YV12 test pictures with the chroma planes in I420 order.
std::vector<BYTE> I420(const std::vector<BYTE>& yv12) {
  std::vector<BYTE> out(yv12.begin(), yv12.begin() + kLuma);
  out.insert(out.end(), yv12.begin() + kLuma + kChroma, yv12.end());
  out.insert(out.end(), yv12.begin() + kLuma, yv12.begin() + kLuma + kChroma);
  return out;
}

double Psnr(const BYTE* a, const BYTE* b, std::size_t size) {
  double error = 0;
  for (std::size_t i = 0; i < size; ++i) error += (a[i] - b[i]) * (a[i] - b[i]);
  return error == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * size / error);
}

struct Y4m {
  std::string header;
  std::vector<std::vector<BYTE>> frames;
};

Y4m ReadY4m(const std::string& path, std::size_t frame_bytes) {
  std::ifstream in(path, std::ios::binary);
  Y4m out;
  std::getline(in, out.header);
  std::string marker;
  while (std::getline(in, marker) && marker == "FRAME") {
    std::vector<BYTE> frame(frame_bytes);
    if (!in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame_bytes))) break;
    out.frames.push_back(std::move(frame));
  }
  return out;
}

using orlin::test::Spawn;

class EndToEnd : public ::testing::Test {
 protected:
  orlin::test::StreamPortTurn turn_;  // orlin-view receives on the real port
  void SetUp() override {
    ASSERT_NE(std::getenv("ORLIN_PC_REGISTRY"), nullptr) << "run through ctest";
    std::remove(std::getenv("ORLIN_PC_REGISTRY"));
    ASSERT_EQ(Spawn({ORLIN_REGSVR, ORLIN_LIBRARY}), 0);
    a_ = orlin::test::ReadTestFrame("coffee", kWidth, kHeight);
    b_ = orlin::test::ReadTestFrame("astronaut", kWidth, kHeight);
  }
  void TearDown() override {
    EXPECT_EQ(Spawn({ORLIN_REGSVR, "/u", ORLIN_LIBRARY}), 0);
    std::remove(std::getenv("ORLIN_PC_REGISTRY"));
    std::remove(output_.c_str());
    std::remove(log_.c_str());
  }

  // Streams the two pictures in turn to orlin-view until it has written
  // `frames` new ones; the frames as the Y4M holds them. With `foreign`, that
  // raw frame goes out from 127.0.0.2 before each of the phone's, AcceptFrom
  // takes 127.0.0.1 alone, and orlin-view's status goes to `log_`.
  Y4m Stream(const orlin::settings::VideoFormatSettings& pc, std::uint32_t phone_fourcc,
             int compression, const std::vector<BYTE>& first, const std::vector<BYTE>& second,
             int frames, const std::vector<BYTE>* foreign = nullptr) {
    EXPECT_EQ(orlin::settings::WriteVideoFormatSettings(pc), ERROR_SUCCESS);
    orlin::SocketHandle other;
    sockaddr_in to{};
    if (foreign != nullptr) {
      HKEY key = nullptr;
      EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, orlin::settings::kVideoFormatKeyPath, 0, KEY_SET_VALUE, &key),
                ERROR_SUCCESS);
      const char16_t loopback[] = u"127.0.0.1";
      EXPECT_EQ(RegSetValueExW(key, orlin::settings::kAcceptFromValueName, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(loopback), sizeof loopback),
                ERROR_SUCCESS);
      RegCloseKey(key);
      other.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
      sockaddr_in from{};
      from.sin_family = AF_INET;
      from.sin_addr.s_addr = htonl(0x7F000002);
      EXPECT_EQ(bind(other.Get(), reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
      to.sin_family = AF_INET;
      to.sin_port = htons(orlin::wire::kStreamPort);
      to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    std::vector<std::string> args{ORLIN_VIEW, "--y4m", output_, "--frames", std::to_string(frames),
                                  "--skip-repeats", "--seconds", "30"};
    if (foreign == nullptr) args.push_back("--quiet");
    pid_t viewer = 0;
    EXPECT_EQ(Spawn(args, &viewer, foreign != nullptr ? log_ : ""), 0);
    orlin::test::LoopbackSender sender(phone_fourcc, kWidth, kHeight, first.size(), compression);
    EXPECT_TRUE(sender.Connected());
    std::vector<BYTE> frame_a = first, frame_b = second;
    int status = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    for (int i = 0; std::chrono::steady_clock::now() < deadline; ++i) {
      if (foreign != nullptr) {
        sendto(other.Get(), reinterpret_cast<const char*>(foreign->data()), int(foreign->size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
      }
      sender.Send(i % 2 == 0 ? frame_a : frame_b);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      if (waitpid(viewer, &status, WNOHANG) == viewer) break;
    }
    if (!WIFEXITED(status)) {
      kill(viewer, SIGTERM);
      waitpid(viewer, &status, 0);
      ADD_FAILURE() << "orlin-view did not finish";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return ReadY4m(output_, kLuma + 2 * kChroma);
  }

  std::string output_ = ::testing::TempDir() + "view_end_to_end.y4m";
  std::string log_ = ::testing::TempDir() + "view_end_to_end.log";
  std::vector<BYTE> a_, b_;
};

TEST_F(EndToEnd, RawFramesArriveExactlyWithPlanesInYuvOrder) {
  const orlin::settings::VideoFormatSettings pc{
      orlin::wire::kFourCC_IYUV, kWidth, kHeight, 12, 0, 0, 0};
  const std::vector<BYTE> a = I420(a_), b = I420(b_);
  const Y4m y4m = Stream(pc, orlin::wire::kFourCC_IYUV, 0, a, b, 6);
  EXPECT_EQ(y4m.header.rfind("YUV4MPEG2 W176 H144 F", 0), 0u) << y4m.header;
  EXPECT_NE(y4m.header.find(" C420"), std::string::npos) << y4m.header;
  ASSERT_EQ(y4m.frames.size(), 6u);
  // The first frame may be what the filter held before the phone's first
  // frame arrived; every later one is one of the pictures, byte for byte.
  int matches = 0;
  for (std::size_t i = 1; i < y4m.frames.size(); ++i) {
    const bool match = y4m.frames[i] == a || y4m.frames[i] == b;
    EXPECT_TRUE(match) << "frame " << i;
    matches += match;
  }
  EXPECT_EQ(matches, 5);
}

// Another program on 127.0.0.2 streams a picture of its own to the port:
// with AcceptFrom none of it is written, and orlin-view names the sender once
// and counts what was dropped.
TEST_F(EndToEnd, AcceptFromKeepsAnotherSendersFramesOutAndSaysWhose) {
  const orlin::settings::VideoFormatSettings pc{orlin::wire::kFourCC_IYUV, kWidth, kHeight, 12, 0, 0, 0};
  const std::vector<BYTE> a = I420(a_), b = I420(b_), foreign(a.size(), 0x30);
  const Y4m y4m = Stream(pc, orlin::wire::kFourCC_IYUV, 0, a, b, 6, &foreign);
  ASSERT_EQ(y4m.frames.size(), 6u);
  for (std::size_t i = 1; i < y4m.frames.size(); ++i) {
    EXPECT_TRUE(y4m.frames[i] == a || y4m.frames[i] == b) << "frame " << i;
  }
  EXPECT_NE(y4m.frames[0], foreign);
  std::ifstream in(log_);
  std::stringstream log;
  log << in.rdbuf();
  const std::string text = log.str();
  const std::string said = "orlin-view: Ignoring datagrams from 127.0.0.2: only 127.0.0.1 (AcceptFrom) is taken.\n";
  const std::size_t at = text.find(said);
  EXPECT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text.find(said, at + 1), std::string::npos) << text;
  unsigned long long dropped = 0;
  const std::size_t summary = text.find("\nforeign datagrams ignored: ");
  ASSERT_NE(summary, std::string::npos) << text;
  EXPECT_EQ(std::sscanf(text.c_str() + summary, "\nforeign datagrams ignored: %llu from 127.0.0.2\n", &dropped), 1)
      << text;
  EXPECT_GT(dropped, 0u) << text;
}

TEST_F(EndToEnd, CompressedFramesDecodeCloseToThePicturesSent) {
  // The phone compresses YV12; the PC takes IYUV and, with SwapUV, puts the
  // decoder's V-first planes into U, V order.
  const orlin::settings::VideoFormatSettings pc{
      orlin::wire::kFourCC_IYUV, kWidth, kHeight, 12, 1, 0, 1};
  const Y4m y4m = Stream(pc, orlin::wire::kFourCC_YV12, 1, a_, b_, 6);
  ASSERT_EQ(y4m.frames.size(), 6u);
  const std::vector<BYTE> a = I420(a_), b = I420(b_);
  for (std::size_t i = 1; i < y4m.frames.size(); ++i) {
    const std::vector<BYTE>& frame = y4m.frames[i];
    const std::vector<BYTE>& expected =
        Psnr(frame.data(), a.data(), kLuma) > Psnr(frame.data(), b.data(), kLuma) ? a : b;
    EXPECT_GT(Psnr(frame.data(), expected.data(), kLuma), 30.0) << "luma of frame " << i;
    EXPECT_GT(Psnr(frame.data() + kLuma, expected.data() + kLuma, kChroma), 30.0) << "U of frame " << i;
    EXPECT_GT(Psnr(frame.data() + kLuma + kChroma, expected.data() + kLuma + kChroma, kChroma), 30.0)
        << "V of frame " << i;
  }
}

}  // namespace
