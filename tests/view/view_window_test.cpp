// orlin-view --window on an X server of the test's own (xvfb-run): a picture
// of four coloured quadrants, streamed in each family of textures, must show
// in the window in its colours and the right way up, and Ctrl-C must end the
// run with the usual summary.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/video_format_settings.h"
#include "wire/four_cc.h"
#include "tests/support/stream_port.h"
#include "tests/view/view_process.h"
#include "view/png_writer.h"

namespace {

using orlin::test::Spawn;

constexpr int kWidth = 176, kHeight = 144;

struct Rgb {
  int r, g, b;
};
// Top left, top right, bottom left, bottom right.
constexpr Rgb kQuadrants[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

int Quadrant(int x, int y) { return (y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1); }

// BT.601, studio range.
void Yuv(const Rgb& c, BYTE& y, BYTE& u, BYTE& v) {
  y = static_cast<BYTE>(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16);
  u = static_cast<BYTE>(((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128);
  v = static_cast<BYTE>(((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128);
}

enum class Layout { kI420, kYV12, kYUY2, kRGB24 };

// The quadrant picture as a sample of `layout`.
std::vector<BYTE> Picture(Layout layout) {
  std::vector<BYTE> out;
  if (layout == Layout::kRGB24) {
    for (int row = kHeight - 1; row >= 0; --row) {  // bottom-up
      for (int x = 0; x < kWidth; ++x) {
        const Rgb& c = kQuadrants[Quadrant(x, row)];
        out.insert(out.end(), {static_cast<BYTE>(c.b), static_cast<BYTE>(c.g), static_cast<BYTE>(c.r)});
      }
    }
    return out;
  }
  std::vector<BYTE> y, u, v;  // u and v per pixel
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kWidth; ++x) {
      BYTE py, pu, pv;
      Yuv(kQuadrants[Quadrant(x, row)], py, pu, pv);
      y.push_back(py);
      u.push_back(pu);
      v.push_back(pv);
    }
  }
  if (layout == Layout::kYUY2) {
    for (std::size_t i = 0; i < y.size(); i += 2) out.insert(out.end(), {y[i], u[i], y[i + 1], v[i]});
    return out;
  }
  std::vector<BYTE> u4, v4;  // 4:2:0
  for (int row = 0; row < kHeight; row += 2) {
    for (int x = 0; x < kWidth; x += 2) {
      u4.push_back(u[row * kWidth + x]);
      v4.push_back(v[row * kWidth + x]);
    }
  }
  out = y;
  const std::vector<BYTE>& first = layout == Layout::kYV12 ? v4 : u4;
  const std::vector<BYTE>& second = layout == Layout::kYV12 ? u4 : v4;
  out.insert(out.end(), first.begin(), first.end());
  out.insert(out.end(), second.begin(), second.end());
  return out;
}

struct Screen {
  int width = 0, height = 0;
  std::vector<BYTE> rgb;
  Rgb At(int x, int y) const {
    const BYTE* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

std::uint32_t Big32(const std::string& data, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<BYTE>(data[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<BYTE>(data[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<BYTE>(data[at + 2])) << 8 | static_cast<BYTE>(data[at + 3]);
}

// The X screen, through xwd: a ZPixmap of 24 or 32-bit pixels.
Screen CaptureScreen(const std::string& path) {
  Screen screen;
  if (Spawn({XWD, "-root", "-silent", "-out", path}) != 0) return screen;
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  if (data.size() < 100) return screen;
  const std::uint32_t header = Big32(data, 0), width = Big32(data, 16), height = Big32(data, 20),
                      lsb_first = Big32(data, 28) == 0, bits = Big32(data, 44), line = Big32(data, 48),
                      masks[3] = {Big32(data, 56), Big32(data, 60), Big32(data, 64)}, colours = Big32(data, 76);
  const std::size_t pixels = header + static_cast<std::size_t>(colours) * 12;
  const std::uint32_t step = bits / 8;
  if ((step != 3 && step != 4) || data.size() < pixels + static_cast<std::size_t>(line) * height) return screen;
  screen.width = static_cast<int>(width);
  screen.height = static_cast<int>(height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = pixels + static_cast<std::size_t>(y) * line + x * step;
      std::uint32_t value = 0;
      for (std::uint32_t i = 0; i < step; ++i) {
        const std::uint32_t byte = static_cast<BYTE>(data[at + i]);
        value |= lsb_first ? byte << (8 * i) : byte << (8 * (step - 1 - i));
      }
      for (const std::uint32_t mask : masks) {
        screen.rgb.push_back(static_cast<BYTE>((value & mask) / (mask & ~(mask << 1))));
      }
    }
  }
  return screen;
}

// Whether the screen shows the quadrants: the picture is what is not black
// there, and each quadrant's middle has its colour.
bool ShowsQuadrants(const Screen& screen, std::string& seen) {
  int left = screen.width, top = screen.height, right = -1, bottom = -1;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      const Rgb c = screen.At(x, y);
      if (std::max({c.r, c.g, c.b}) < 48) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  seen = "nothing";
  if (right < 0) return false;
  const int w = right - left + 1, h = bottom - top + 1;
  seen = std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(left) + "," + std::to_string(top);
  bool all = true;
  for (int q = 0; q < 4; ++q) {
    const Rgb c = screen.At(left + w / 4 + (q % 2) * w / 2, top + h / 4 + (q / 2) * h / 2);
    const Rgb& want = kQuadrants[q];
    all = all && std::abs(c.r - want.r) < 48 && std::abs(c.g - want.g) < 48 && std::abs(c.b - want.b) < 48;
    seen += " (" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
  }
  return all;
}

struct Case {
  const char* name;
  std::uint32_t fourcc;  // the PC's; 0 for RGB
  std::uint32_t bits;
  Layout layout;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Window : public ::testing::TestWithParam<Case> {
 protected:
  orlin::test::StreamPortTurn turn_;  // orlin-view receives on the real port
  void SetUp() override {
    ASSERT_NE(std::getenv("ORLIN_PC_REGISTRY"), nullptr) << "run through ctest";
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run through ctest (xvfb-run)";
    std::remove(std::getenv("ORLIN_PC_REGISTRY"));
    ASSERT_EQ(Spawn({ORLIN_REGSVR, ORLIN_LIBRARY}), 0);
  }
  void TearDown() override {
    EXPECT_EQ(Spawn({ORLIN_REGSVR, "/u", ORLIN_LIBRARY}), 0);
    std::remove(std::getenv("ORLIN_PC_REGISTRY"));
    std::remove(capture_.c_str());
    std::remove(log_.c_str());
  }
  const std::string capture_ = ::testing::TempDir() + "view_window.xwd";
  const std::string log_ = ::testing::TempDir() + "view_window.log";
};

TEST_P(Window, ShowsThePictureInItsColoursTheRightWayUpAndEndsCleanlyOnCtrlC) {
  const Case& c = GetParam();
  ASSERT_EQ(orlin::settings::WriteVideoFormatSettings({c.fourcc, kWidth, kHeight, c.bits, 0, 0, 0}), ERROR_SUCCESS);
  std::vector<BYTE> picture = Picture(c.layout);
  pid_t viewer = 0;
  ASSERT_EQ(Spawn({ORLIN_VIEW, "--window", "--seconds", "60"}, &viewer, log_), 0);
  orlin::test::LoopbackSender sender(c.fourcc, kWidth, kHeight, picture.size(), 0);
  EXPECT_TRUE(sender.Connected());

  // The picture is sent until the window shows it, or long after it should.
  bool shown = false;
  std::string seen;
  Screen screen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int i = 1; !shown && std::chrono::steady_clock::now() < deadline; ++i) {
    sender.Send(picture);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    if (i % 10 == 0) shown = ShowsQuadrants(screen = CaptureScreen(capture_), seen);
  }
  EXPECT_TRUE(shown) << "the screen shows " << seen;
  if (shown && c.layout == Layout::kI420) {
    std::string error;  // left beside the test, to look at
    EXPECT_TRUE(orlin::view::WritePng(VIEW_WINDOW_PICTURE, screen.width, screen.height, screen.rgb, error)) << error;
  }

  kill(viewer, SIGINT);
  int status = 0;
  waitpid(viewer, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(log_);
  std::string line, last;
  while (std::getline(in, line)) last = line;
  EXPECT_EQ(last.rfind("frames ", 0), 0u) << last;
  EXPECT_EQ(last.find("(new 0,"), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(Formats, Window,
                         ::testing::Values(Case{"IYUV", orlin::wire::kFourCC_IYUV, 12, Layout::kI420},
                                           Case{"YV12", orlin::wire::kFourCC_YV12, 12, Layout::kYV12},
                                           Case{"YUY2", orlin::wire::kFourCC_YUY2, 16, Layout::kYUY2},
                                           Case{"RGB24", 0, 24, Layout::kRGB24}),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

}  // namespace
