// libjpeg-turbo as the yardstick: YUV 4:2:0 planes in, planes out, with every
// buffer allocated up front so that only coding is timed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlin::bench {

class JpegCoder {
 public:
  JpegCoder(int width, int height, int quality);
  ~JpegCoder();
  JpegCoder(const JpegCoder&) = delete;
  JpegCoder& operator=(const JpegCoder&) = delete;

  // Compresses a YV12 picture (Y, V, U) into an internal buffer; returns the
  // JPEG size in bytes.
  std::size_t Compress(const std::uint8_t* yv12);
  // A copy of the last compressed picture.
  std::vector<std::uint8_t> Compressed() const;
  // Decompresses a JPEG picture into a YV12 picture.
  void Decompress(const std::vector<std::uint8_t>& jpeg, std::uint8_t* yv12);

 private:
  int width_, height_, quality_;
  std::size_t luma_;
  void* compressor_;
  void* decompressor_;
  std::vector<unsigned char> buffer_;
  unsigned long size_ = 0;
};

}  // namespace orlin::bench
