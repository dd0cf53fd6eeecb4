#include "codec/codec.h"
#include "codec/picture.h"

namespace orlin::codec {

bool PictureFits(int width, int height) {
  return width >= 0 && height >= 0 && width / 4 <= kMaxBlockColumns;
}

std::size_t PictureBytes(int width, int height) {
  if (width < 0 || height < 0) return 0;
  const std::size_t luma = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  return luma + 2 * (luma / 4);
}

std::size_t BlockCount(int width, int height) {
  if (width < 0 || height < 0) return 0;
  std::size_t blocks = 0;
  for (int p = 0; p < kPlaneCount; ++p) {
    const PlaneGeometry plane = Plane(p, width, height);
    blocks += static_cast<std::size_t>(plane.BlockColumns()) *
              static_cast<std::size_t>(plane.BlockRows());
  }
  return blocks;
}

std::size_t FixedSizePayloadBytes(int width, int height) { return 6 * BlockCount(width, height); }

}  // namespace orlin::codec
