// The built-in test camera's picture: colour bars (a U/V swap turns the yellow
// bar blue-ish and the red one blue), a frame counter, and motion (a scrolling
// ramp and a square that moves one way and back), so a frozen, torn, reordered
// or miscoloured stream is plain to see on the PC.
#pragma once

#include <cstdint>

#include "orlin/dshow.h"
#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

struct Yuv {
  BYTE y;
  BYTE u;
  BYTE v;
};

// The colour of pixel (x, y) of frame `frameNumber` at the given size.
class TestPicture {
 public:
  TestPicture(int width, int height, std::uint32_t frameNumber);
  Yuv At(int x, int y) const;

 private:
  bool CounterInk(int x, int y, bool* ink) const;

  int width_;
  int height_;
  std::uint32_t frame_;
  int bars_bottom_;
  int scale_;
  int square_x_;
  int square_size_;
  char digits_[8];
};

// Writes frame `frameNumber` in `format` (FrameBytes(format) bytes) to `frame`.
void RenderTestPicture(const CameraFormat& format, std::uint32_t frameNumber, BYTE* frame);

// The seven 75% colour bars, left to right: white, yellow, cyan, green,
// magenta, red, blue.
Yuv ColourBar(int index);

}  // namespace orlin::phone::cameras
