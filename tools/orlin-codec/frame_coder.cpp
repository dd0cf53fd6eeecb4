#include "tools/orlin-codec/frame_coder.h"

#include <algorithm>

#include "codec/codec.h"

namespace orlin::tool {
namespace {

// The encoder begins a block only with this much space left, and no block
// needs more, so a frame never takes more than this per block.
constexpr std::size_t kMaxBlockBytes = codec::kBlockMargin;

}  // namespace

FrameCoder::FrameCoder(FrameSize size)
    : size_(size),
      frame_bytes_(codec::PictureBytes(size.width, size.height)),
      fixed_payload_bytes_(codec::FixedSizePayloadBytes(size.width, size.height)),
      max_payload_bytes_(std::max(fixed_payload_bytes_, codec::BlockCount(size.width, size.height) * kMaxBlockBytes)) {}

int FrameCoder::Encode(const std::uint8_t* frame, int level, std::int64_t capacity,
                       std::vector<std::uint8_t>& payload) {
  // A capacity beyond anything the encoder can write changes nothing, and
  // keeps a generous --capacity from allocating gigabytes.
  const std::size_t space = std::min<std::size_t>(std::size_t(std::max<std::int64_t>(capacity, 0)), max_payload_bytes_);
  payload.assign(space, 0);
  std::int32_t length = std::int32_t(space);
  const int result = codec::CompressFrame(frame, size_.width, size_.height, level, payload.data(), &length);
  payload.resize(std::size_t(std::max<std::int32_t>(length, 0)));
  return result;
}

int FrameCoder::Decode(std::vector<std::uint8_t>& payload, std::size_t length, bool fixed,
                       std::vector<std::uint8_t>& frame) {
  const std::size_t readable = fixed ? std::max(length, fixed_payload_bytes_) : length + kDecoderSlack;
  if (payload.size() < readable) payload.resize(readable, 0);
  std::fill(payload.begin() + std::ptrdiff_t(length), payload.begin() + std::ptrdiff_t(readable), std::uint8_t(0));
  frame.assign(frame_bytes_, 0);
  return codec::DecompressFrame(payload.data(), std::int32_t(length), fixed ? 1 : 0, frame.data(), size_.width,
                                size_.height);
}

}  // namespace orlin::tool
