// Geometry of the planar 4:2:0 pictures that the codec reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlin::codec {

struct PlaneGeometry {
  std::size_t offset;  // first sample, from the start of the picture
  int width;           // samples per row, which is also the row stride
  int height;
  int BlockColumns() const { return width / 4; }
  int BlockRows() const { return height / 4; }
};

// Plane 0 is W x H at offset 0; planes 1 and 2 are (W/2) x (H/2) at W*H and
// W*H + (W*H)/4 (the product divided, not (W/2)*(H/2)).
inline PlaneGeometry Plane(int index, int width, int height) {
  const std::size_t luma = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  switch (index) {
    case 0: return {0, width, height};
    case 1: return {luma, width / 2, height / 2};
    default: return {luma + luma / 4, width / 2, height / 2};
  }
}

inline constexpr int kPlaneCount = 3;

}  // namespace orlin::codec
