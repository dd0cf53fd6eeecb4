// The built-in test camera's picture: colour bars (a U/V swap turns the yellow
// bar blue-ish and the red one blue), a frame counter, and motion (a scrolling
// ramp and a square that moves one way and back), so a frozen, torn, reordered
// or miscoloured stream is plain to see on the PC.
#pragma once

#include <cstdint>
#include <vector>

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

  // Rows of one kind are alike: every bar row, every ramp row, every row
  // through the square; a row through the counter is a kind of its own.
  enum class RowKind { kBars, kRamp, kSquare, kCounter };
  RowKind KindOf(int y) const;
  // Row y as At gives it, `width` pixels, drawn span by span.
  void FillRow(int y, Yuv* row) const;

 private:
  bool CounterInk(int x, int y, bool* ink) const;
  int SquareTop() const;

  int width_;
  int height_;
  std::uint32_t frame_;
  int bars_bottom_;
  int scale_;
  int square_x_;
  int square_size_;
  char digits_[8];
};

// Draws the test picture's frames in one format. At HD sizes a frame costs a
// few rows of drawing and memcpy for the rest: the rows of one kind are drawn
// once and copied. The row buffer is made once, so drawing allocates nothing.
class TestPicturePainter {
 public:
  explicit TestPicturePainter(const CameraFormat& format);
  // Writes frame `frameNumber` (FrameBytes(format) bytes) to `frame`.
  void Paint(std::uint32_t frameNumber, BYTE* frame);

 private:
  CameraFormat format_;
  std::vector<Yuv> row_;
};

// The seven 75% colour bars, left to right: white, yellow, cyan, green,
// magenta, red, blue.
Yuv ColourBar(int index);

}  // namespace orlin::phone::cameras
