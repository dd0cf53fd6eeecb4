#include "phone/cameras/test_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
  const int squareTop = SquareTop();
  if (x >= square_x_ && x < square_x_ + square_size_ && y >= squareTop && y < squareTop + square_size_) {
    return kWhite;
  }
  // A grey ramp that scrolls left, two pixels a frame.
  const int phase = static_cast<int>((static_cast<std::uint64_t>(x) + 2ull * frame_) %
                                     static_cast<std::uint64_t>(width_));
  return {static_cast<BYTE>(16 + phase * 219 / width_), 128, 128};
}

int TestPicture::SquareTop() const {
  return bars_bottom_ + (height_ - bars_bottom_ - square_size_) / 2;
}

TestPicture::RowKind TestPicture::KindOf(int y) const {
  if (y >= 2 * scale_ && y < 9 * scale_) return RowKind::kCounter;  // CounterInk's box rows
  if (y < bars_bottom_) return RowKind::kBars;
  const int squareTop = SquareTop();
  return y >= squareTop && y < squareTop + square_size_ ? RowKind::kSquare : RowKind::kRamp;
}

void TestPicture::FillRow(int y, Yuv* row) const {
  if (y < bars_bottom_) {
    for (int x = 0; x < width_; ++x) row[x] = kBars[std::min(6, x * 7 / width_)];
  } else {
    int phase = static_cast<int>(2ull * frame_ % static_cast<std::uint64_t>(width_));
    for (int x = 0; x < width_; ++x) {
      row[x] = {static_cast<BYTE>(16 + phase * 219 / width_), 128, 128};
      if (++phase == width_) phase = 0;
    }
    const int squareTop = SquareTop();
    if (y >= squareTop && y < squareTop + square_size_) {
      std::fill(row + square_x_, row + std::min(width_, square_x_ + square_size_), kWhite);
    }
  }
  if (KindOf(y) != RowKind::kCounter) return;
  bool ink = false;
  for (int x = 0; x < width_; ++x) {
    if (CounterInk(x, y, &ink)) row[x] = ink ? kBlack : kWhite;
  }
}

TestPicturePainter::TestPicturePainter(const CameraFormat& format)
    : format_(format), row_(static_cast<std::size_t>(std::max(format.width, 1))) {}

void TestPicturePainter::Paint(std::uint32_t frameNumber, BYTE* frame) {
  using RowKind = TestPicture::RowKind;
  const std::size_t w = static_cast<std::size_t>(format_.width);
  const int h = format_.height;
  const TestPicture picture(format_.width, h, frameNumber);
  const Yuv* row = row_.data();
  RowKind rowKind = RowKind::kCounter;     // what row_ holds; kCounter: nothing to reuse
  RowKind chromaKind = RowKind::kCounter;  // the kind of the last 4:2:0 chroma row
  BYTE* vPlane = frame + w * h;
  BYTE* uPlane = vPlane + (w / 2) * (h / 2);
  for (int y = 0; y < h; ++y) {
    const RowKind kind = picture.KindOf(y);
    // Row y - 1 is of rowKind: a row of the same kind is a copy of it.
    const bool repeat = y > 0 && kind == rowKind && kind != RowKind::kCounter;
    if (!repeat) {
      picture.FillRow(y, row_.data());
      rowKind = kind;
    }
    switch (format_.pixels) {
      case PixelFormat::kYV12: {
        BYTE* luma = frame + y * w;
        if (repeat) {
          std::memcpy(luma, luma - w, w);
        } else {
          for (std::size_t x = 0; x < w; ++x) luma[x] = row[x].y;
        }
        if (y % 2 != 0) break;
        const std::size_t half = w / 2;
        BYTE* v = vPlane + (y / 2) * half;
        BYTE* u = uPlane + (y / 2) * half;
        if (y > 0 && kind == chromaKind && kind != RowKind::kCounter) {
          std::memcpy(v, v - half, half);
          std::memcpy(u, u - half, half);
        } else {
          for (std::size_t x = 0; x < half; ++x) {
            v[x] = row[2 * x].v;
            u[x] = row[2 * x].u;
          }
        }
        chromaKind = kind;
        break;
      }
      case PixelFormat::kYUY2: {
        BYTE* out = frame + y * w * 2;
        if (repeat) {
          std::memcpy(out, out - w * 2, w * 2);
          break;
        }
        for (std::size_t x = 0; x + 1 < w; x += 2) {
          out[2 * x] = row[x].y;
          out[2 * x + 1] = row[x].u;
          out[2 * x + 2] = row[x + 1].y;
          out[2 * x + 3] = row[x].v;
        }
        break;
      }
      case PixelFormat::kRGB565: {
        // A positive height means bottom-up rows, as for every RGB bitmap.
        BYTE* out = frame + std::size_t(h - 1 - y) * w * 2;
        if (repeat) {
          std::memcpy(out, out + w * 2, w * 2);
          break;
        }
        for (std::size_t x = 0; x < w; ++x) {
          const std::uint16_t pixel = ToRgb565(row[x]);
          out[2 * x] = static_cast<BYTE>(pixel & 0xFF);
          out[2 * x + 1] = static_cast<BYTE>(pixel >> 8);
        }
        break;
      }
    }
  }
}

}  // namespace orlin::phone::cameras
