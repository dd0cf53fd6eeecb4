// Encodes and decodes whole frames of one size with the codec, owning the
// buffers and the slack the codec's calls need.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/orlin-codec/cli_args.h"

namespace orlin::tool {

// One UDP datagram over IPv4 carries at most 65,507 bytes; the compressed-frame
// header takes 4 of them.
inline constexpr std::size_t kMaxDatagramPayload = 65503;

class FrameCoder {
 public:
  explicit FrameCoder(FrameSize size);

  FrameSize size() const { return size_; }
  std::size_t FrameBytes() const { return frame_bytes_; }
  std::size_t FixedPayloadBytes() const { return fixed_payload_bytes_; }
  // More than the encoder can write for one frame at any level or capacity.
  std::size_t MaxPayloadBytes() const { return max_payload_bytes_; }

  // Encodes `frame` (FrameBytes() bytes) at `level` with `capacity` bytes of
  // output space; `payload` is resized to the bytes written. Returns the
  // codec's result: 0, or -1/-2/-3 when the capacity ran out in that plane.
  int Encode(const std::uint8_t* frame, int level, std::int64_t capacity, std::vector<std::uint8_t>& payload);

  // Decodes `length` bytes of `payload` into `frame`, which is first resized
  // and filled with zeros. `payload` may grow (with zeros): the decoder reads
  // up to two bytes past a variable-length payload and always a whole
  // fixed-size payload. Returns the codec's result.
  int Decode(std::vector<std::uint8_t>& payload, std::size_t length, bool fixed, std::vector<std::uint8_t>& frame);

 private:
  FrameSize size_;
  std::size_t frame_bytes_;
  std::size_t fixed_payload_bytes_;
  std::size_t max_payload_bytes_;
};

// Slack the decoder may read past a variable-length payload.
inline constexpr std::size_t kDecoderSlack = 2;

}  // namespace orlin::tool
