#include "phone/cameras/jpeg_frame_decoder.h"

#include <turbojpeg.h>

#include <cstring>

namespace orlin::phone::cameras {
namespace {

// Averages a plane sampled `sx` x `sy` times finer (1 or 2 each) into a
// half x halfHeight one, rounding to nearest.
void Downsample(const std::uint8_t* source, std::size_t sourceStride, int sx, int sy,
                std::uint8_t* out, std::size_t half, std::size_t halfHeight) {
  const unsigned count = static_cast<unsigned>(sx * sy);
  for (std::size_t y = 0; y < halfHeight; ++y) {
    const std::uint8_t* rows = source + y * std::size_t(sy) * sourceStride;
    std::uint8_t* row = out + y * half;
    if (sx == 1 && sy == 2) {  // 4:2:2, the webcams' usual: two rows into one
      const std::uint8_t* next = rows + sourceStride;
      for (std::size_t x = 0; x < half; ++x) row[x] = std::uint8_t((rows[x] + next[x] + 1) >> 1);
      continue;
    }
    for (std::size_t x = 0; x < half; ++x) {
      unsigned sum = 0;
      for (int dy = 0; dy < sy; ++dy) {
        for (int dx = 0; dx < sx; ++dx) sum += rows[dy * sourceStride + x * sx + dx];
      }
      row[x] = static_cast<std::uint8_t>((sum + count / 2) / count);
    }
  }
}

}  // namespace

JpegFrameDecoder::JpegFrameDecoder() : handle_(tjInitDecompress()) {}

JpegFrameDecoder::~JpegFrameDecoder() {
  if (handle_ != nullptr) tjDestroy(handle_);
}

bool JpegFrameDecoder::Decode(const std::uint8_t* jpeg, std::size_t bytes, int width, int height,
                              std::uint8_t* frame) {
  if (handle_ == nullptr || jpeg == nullptr || bytes == 0 || width <= 0 || height <= 0 ||
      width % 2 != 0 || height % 2 != 0) {
    return false;
  }
  int jpegWidth = 0;
  int jpegHeight = 0;
  int subsampling = 0;
  int colourSpace = 0;
  if (tjDecompressHeader3(handle_, jpeg, bytes, &jpegWidth, &jpegHeight, &subsampling,
                          &colourSpace) != 0 ||
      jpegWidth != width || jpegHeight != height) {
    return false;
  }
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  const std::size_t half = w / 2;
  const std::size_t halfHeight = h / 2;
  std::uint8_t* vPlane = frame + w * h;
  std::uint8_t* uPlane = vPlane + half * halfHeight;
  // Any warning (a cut-off frame, corrupt entropy data) makes the call fail:
  // such a frame is skipped rather than sent half grey.
  constexpr int kFlags = TJFLAG_STOPONWARNING;

  if (colourSpace == TJCS_GRAY || subsampling == TJSAMP_GRAY) {
    unsigned char* planes[3] = {frame, nullptr, nullptr};
    int strides[3] = {width, 0, 0};
    if (tjDecompressToYUVPlanes(handle_, jpeg, bytes, planes, width, strides, height, kFlags) != 0) {
      return false;
    }
    std::memset(vPlane, 128, 2 * half * halfHeight);
    return true;
  }
  if (colourSpace != TJCS_YCbCr) return false;

  // TurboJPEG's planes are Y, U (Cb), V (Cr); YV12 puts V before U.
  if (subsampling == TJSAMP_420) {
    unsigned char* planes[3] = {frame, uPlane, vPlane};
    int strides[3] = {width, static_cast<int>(half), static_cast<int>(half)};
    return tjDecompressToYUVPlanes(handle_, jpeg, bytes, planes, width, strides, height, kFlags) == 0;
  }
  if (subsampling != TJSAMP_422 && subsampling != TJSAMP_440 && subsampling != TJSAMP_444) {
    return false;  // 4:1:1 would need upsampling; webcams do not send it
  }
  const int chromaWidth = tjPlaneWidth(1, width, subsampling);
  const int chromaHeight = tjPlaneHeight(1, height, subsampling);
  const std::size_t chromaBytes = std::size_t(chromaWidth) * std::size_t(chromaHeight);
  if (chroma_.size() < 2 * chromaBytes) chroma_.resize(2 * chromaBytes);
  unsigned char* planes[3] = {frame, chroma_.data(), chroma_.data() + chromaBytes};
  int strides[3] = {width, chromaWidth, chromaWidth};
  if (tjDecompressToYUVPlanes(handle_, jpeg, bytes, planes, width, strides, height, kFlags) != 0) {
    return false;
  }
  const int sx = chromaWidth / static_cast<int>(half);
  const int sy = chromaHeight / static_cast<int>(halfHeight);
  Downsample(planes[1], std::size_t(chromaWidth), sx, sy, uPlane, half, halfHeight);
  Downsample(planes[2], std::size_t(chromaWidth), sx, sy, vPlane, half, halfHeight);
  return true;
}

}  // namespace orlin::phone::cameras
