#include "bench/jpeg_coder.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>

namespace orlin::bench {
namespace {

[[noreturn]] void Fail(void* handle, const char* what) {
  std::fprintf(stderr, "codec_bench: %s: %s\n", what, tjGetErrorStr2(handle));
  std::exit(1);
}

}  // namespace

JpegCoder::JpegCoder(int width, int height, int quality)
    : width_(width),
      height_(height),
      quality_(quality),
      luma_(std::size_t(width) * std::size_t(height)),
      compressor_(tjInitCompress()),
      decompressor_(tjInitDecompress()),
      buffer_(tjBufSize(width, height, TJSAMP_420)) {
  if (!compressor_ || !decompressor_) Fail(nullptr, "tjInit");
}

JpegCoder::~JpegCoder() {
  tjDestroy(compressor_);
  tjDestroy(decompressor_);
}

// YV12 holds V before U; the JPEG planes are Y, Cb (U), Cr (V).
std::size_t JpegCoder::Compress(const std::uint8_t* yv12) {
  const std::uint8_t* planes[3] = {yv12, yv12 + luma_ + luma_ / 4, yv12 + luma_};
  const int strides[3] = {width_, width_ / 2, width_ / 2};
  unsigned char* out = buffer_.data();
  size_ = buffer_.size();
  if (tjCompressFromYUVPlanes(compressor_, planes, width_, strides, height_, TJSAMP_420, &out, &size_, quality_,
                              TJFLAG_NOREALLOC) != 0) {
    Fail(compressor_, "tjCompressFromYUVPlanes");
  }
  return size_;
}

std::vector<std::uint8_t> JpegCoder::Compressed() const {
  return {buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size_)};
}

void JpegCoder::Decompress(const std::vector<std::uint8_t>& jpeg, std::uint8_t* yv12) {
  unsigned char* planes[3] = {yv12, yv12 + luma_ + luma_ / 4, yv12 + luma_};
  int strides[3] = {width_, width_ / 2, width_ / 2};
  if (tjDecompressToYUVPlanes(decompressor_, jpeg.data(), jpeg.size(), planes, width_, strides, height_, 0) != 0) {
    Fail(decompressor_, "tjDecompressToYUVPlanes");
  }
}

}  // namespace orlin::bench
