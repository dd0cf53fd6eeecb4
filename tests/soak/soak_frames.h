// Frames a soak sends and how a delivered sample is told apart: whole (exactly
// one frame that was sent) or not. Raw frames carry their number in the first
// four bytes of every chunk and bytes that follow from it; compressed ones are
// a few different pictures, each of which decodes to one known sample.
#pragma once

#include <cstdint>
#include <vector>

#include "orlin/dshow.h"
#include "settings/video_format_settings.h"

namespace orlin::soak {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kNotWhole = 0;

// Raw frames of S bytes cut in n chunks of q bytes as the phone sends them.
class RawFrames {
 public:
  explicit RawFrames(const settings::VideoFormatSettings& pc);
  std::uint32_t ChunkCount() const { return chunk_count_; }
  // Frame `number` (1 or more) as the camera hands it to the sender.
  Bytes Frame(std::uint32_t number) const;
  // The number of the frame a sample holds whole, or kNotWhole.
  std::uint32_t Identify(const BYTE* data, LONG size) const;

 private:
  // As the frame reaches the PC: each chunk's last byte tagged n, n-1, ..., 1.
  void Tag(Bytes& frame) const;

  std::size_t size_;
  bool pieces_;  // a large frame: sent in pieces, untagged
  std::uint32_t chunk_count_;
  std::uint32_t chunk_size_;
};

// The three test pictures of one size, as the phone's camera delivers them
// (YV12), and what the PC's decoder makes of each at one reduction level.
class CompressedFrames {
 public:
  CompressedFrames(int width, int height, int level);
  std::size_t Count() const { return pictures_.size(); }
  // Picture `number` (1 or more) cycles through the three.
  Bytes Frame(std::uint32_t number) const;
  // What the PC's decoder makes of picture `number`.
  const Bytes& Decoded(std::uint32_t number) const { return decoded_[(number - 1) % decoded_.size()]; }
  // 1 + the index of the picture a sample holds exactly, or kNotWhole. A
  // number identifies a picture only up to the cycle of three.
  std::uint32_t Identify(const BYTE* data, LONG size) const;

 private:
  int width_;
  int height_;
  std::vector<Bytes> pictures_;
  std::vector<Bytes> decoded_;
};

}  // namespace orlin::soak
