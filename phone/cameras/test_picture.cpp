#include "phone/cameras/test_picture.h"

#include <algorithm>
#include <cstdio>

namespace orlin::phone::cameras {
namespace {

// 75% bars in studio-range BT.601: Y, Cb (U), Cr (V).
constexpr Yuv kBars[7] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                          {84, 184, 198},  {65, 100, 212}, {35, 212, 114}};

constexpr Yuv kBlack = {16, 128, 128};
constexpr Yuv kWhite = {235, 128, 128};

// 3x5 digits, one row per 3 bits, top row first.
constexpr std::uint8_t kDigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
constexpr int kCounterDigits = 6;

BYTE Clamp(int value) { return static_cast<BYTE>(std::clamp(value, 0, 255)); }

// BT.601 studio range to 5-6-5 RGB, in fixed point.
std::uint16_t ToRgb565(Yuv c) {
  const int y = 298 * (c.y - 16);
  const int u = c.u - 128;
  const int v = c.v - 128;
  const BYTE r = Clamp((y + 409 * v + 128) >> 8);
  const BYTE g = Clamp((y - 100 * u - 208 * v + 128) >> 8);
  const BYTE b = Clamp((y + 516 * u + 128) >> 8);
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

}  // namespace

Yuv ColourBar(int index) { return kBars[std::clamp(index, 0, 6)]; }

TestPicture::TestPicture(int width, int height, std::uint32_t frameNumber)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      frame_(frameNumber),
      bars_bottom_(height_ * 2 / 3),
      scale_(std::max(1, height_ / 48)),
      square_size_(std::max(2, height_ / 8)) {
  // The square crosses the width and comes back, 4 pixels a frame.
  const int travel = std::max(1, width_ - square_size_);
  const int step = static_cast<int>(frameNumber % static_cast<std::uint32_t>(2 * travel / 4 + 1)) * 4;
  square_x_ = step <= travel ? step : 2 * travel - step;
  std::snprintf(digits_, sizeof digits_, "%06u",
                static_cast<unsigned>(frameNumber % 1000000u));
}

bool TestPicture::CounterInk(int x, int y, bool* ink) const {
  // A white box with a margin of one cell round the digits.
  const int cell = scale_;
  const int left = 2 * cell;
  const int top = 2 * cell;
  const int boxWidth = (kCounterDigits * 4 + 1) * cell;
  const int boxHeight = 7 * cell;
  if (x < left || y < top || x >= left + boxWidth || y >= top + boxHeight) return false;
  const int cx = (x - left) / cell - 1;
  const int cy = (y - top) / cell - 1;
  *ink = false;
  if (cx < 0 || cy < 0 || cy >= 5) return true;
  const int digit = cx / 4;
  const int column = cx % 4;
  if (digit >= kCounterDigits || column == 3) return true;
  const std::uint8_t row = kDigitRows[digits_[digit] - '0'][cy];
  *ink = ((row >> (2 - column)) & 1) != 0;
  return true;
}

Yuv TestPicture::At(int x, int y) const {
  bool ink = false;
  if (CounterInk(x, y, &ink)) return ink ? kBlack : kWhite;
  if (y < bars_bottom_) return kBars[std::min(6, x * 7 / width_)];
  const int squareTop = bars_bottom_ + (height_ - bars_bottom_ - square_size_) / 2;
  if (x >= square_x_ && x < square_x_ + square_size_ && y >= squareTop && y < squareTop + square_size_) {
    return kWhite;
  }
  // A grey ramp that scrolls left, two pixels a frame.
  const int phase = static_cast<int>((static_cast<std::uint64_t>(x) + 2ull * frame_) %
                                     static_cast<std::uint64_t>(width_));
  return {static_cast<BYTE>(16 + phase * 219 / width_), 128, 128};
}

void RenderTestPicture(const CameraFormat& format, std::uint32_t frameNumber, BYTE* frame) {
  const int w = format.width;
  const int h = format.height;
  const TestPicture picture(w, h, frameNumber);
  switch (format.pixels) {
    case PixelFormat::kYV12: {
      BYTE* luma = frame;
      BYTE* vPlane = frame + std::size_t(w) * h;
      BYTE* uPlane = vPlane + std::size_t(w / 2) * (h / 2);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) luma[std::size_t(y) * w + x] = picture.At(x, y).y;
      }
      for (int y = 0; y < h / 2; ++y) {
        for (int x = 0; x < w / 2; ++x) {
          const Yuv c = picture.At(2 * x, 2 * y);
          vPlane[std::size_t(y) * (w / 2) + x] = c.v;
          uPlane[std::size_t(y) * (w / 2) + x] = c.u;
        }
      }
      break;
    }
    case PixelFormat::kYUY2:
      for (int y = 0; y < h; ++y) {
        BYTE* row = frame + std::size_t(y) * w * 2;
        for (int x = 0; x + 1 < w; x += 2) {
          const Yuv left = picture.At(x, y);
          row[2 * x] = left.y;
          row[2 * x + 1] = left.u;
          row[2 * x + 2] = picture.At(x + 1, y).y;
          row[2 * x + 3] = left.v;
        }
      }
      break;
    case PixelFormat::kRGB565:
      // A positive height means bottom-up rows, as for every RGB bitmap.
      for (int y = 0; y < h; ++y) {
        BYTE* row = frame + std::size_t(h - 1 - y) * w * 2;
        for (int x = 0; x < w; ++x) {
          const std::uint16_t pixel = ToRgb565(picture.At(x, y));
          row[2 * x] = static_cast<BYTE>(pixel & 0xFF);
          row[2 * x + 1] = static_cast<BYTE>(pixel >> 8);
        }
      }
      break;
  }
}

}  // namespace orlin::phone::cameras
