#include "tests/soak/soak_frames.h"

#include <gtest/gtest.h>

#include <cstring>

#include "codec/codec.h"
#include "filter/frame_receiver.h"
#include "tests/support/test_data.h"
#include "wire/chunk_geometry.h"
#include "wire/frame_piece.h"

namespace orlin::soak {
namespace {

// The bytes after a chunk's number: a stream that follows from the number.
void FillFrom(std::uint32_t number, std::uint8_t* out, std::size_t size) {
  std::uint32_t state = number * 2654435761u + 0x9e3779b9u;
  for (std::size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    out[i] = std::uint8_t(state >> 24);
  }
}

}  // namespace

RawFrames::RawFrames(const settings::VideoFormatSettings& pc)
    : size_(std::size_t(filter::SampleSizeOf(pc))), pieces_(!wire::FitsCountedChunks(std::int64_t(size_))) {
  // A large frame's pieces stand in for chunks: every one carries the number.
  if (pieces_) {
    chunk_count_ = std::uint32_t(wire::PieceCountOf(std::int64_t(size_)));
    chunk_size_ = std::uint32_t(wire::kPiecePayloadBytes);
    return;
  }
  const wire::ChunkGeometry geometry = wire::ComputeChunkGeometry(std::int64_t(size_));
  chunk_count_ = std::uint32_t(geometry.count);
  chunk_size_ = std::uint32_t(geometry.bytes);
}

Bytes RawFrames::Frame(std::uint32_t number) const {
  Bytes frame(size_);
  FillFrom(number, frame.data(), size_);
  for (std::uint32_t k = 0; k < chunk_count_; ++k) std::memcpy(frame.data() + k * chunk_size_, &number, 4);
  return frame;
}

void RawFrames::Tag(Bytes& frame) const {
  if (chunk_count_ < 2 || pieces_) return;
  for (std::uint32_t k = 0; k < chunk_count_; ++k) {
    std::uint8_t& last = frame[(k + 1) * chunk_size_ - 1];
    last = std::uint8_t((last & 0xF0) | (chunk_count_ - k));
  }
}

std::uint32_t RawFrames::Identify(const BYTE* data, LONG size) const {
  if (data == nullptr || size < 0 || std::size_t(size) < size_) return kNotWhole;
  std::uint32_t number = 0;
  std::memcpy(&number, data, 4);
  if (number == kNotWhole) return kNotWhole;
  Bytes expected = Frame(number);
  Tag(expected);
  // The bytes past the last chunk are never sent; pieces carry them all.
  const std::size_t sent = pieces_ ? size_ : std::size_t(chunk_count_) * chunk_size_;
  return std::memcmp(data, expected.data(), sent) == 0 ? number : kNotWhole;
}

CompressedFrames::CompressedFrames(int width, int height, int level) : width_(width), height_(height) {
  const std::size_t picture = codec::PictureBytes(width, height);
  // The phone's buffer: W x H x 3 / 4 bytes with the 4-byte header in front.
  const std::int32_t capacity = width * height * 3 / 4 - 4;
  for (const char* name : test::kTestPictures) {
    Bytes yv12 = test::ReadTestFrame(name, width, height);
    Bytes payload(std::size_t(capacity) + 2, 0);
    std::int32_t length = capacity;
    codec::CompressFrame(yv12.data(), width, height, level, payload.data(), &length);
    // Whole, and within the receiver's buffer less its margin: then what the
    // PC decodes does not depend on bytes past the payload.
    EXPECT_LE(length, capacity - 2) << name;
    Bytes decoded(picture, 0);
    const bool fixedSize = level >= 3;
    codec::DecompressFrame(payload.data(), fixedSize ? 0 : length, fixedSize ? 1 : 0, decoded.data(),
                           width, height);
    pictures_.push_back(std::move(yv12));
    decoded_.push_back(std::move(decoded));
  }
}

Bytes CompressedFrames::Frame(std::uint32_t number) const {
  return pictures_[(number - 1) % pictures_.size()];
}

std::uint32_t CompressedFrames::Identify(const BYTE* data, LONG size) const {
  if (data == nullptr || size < 0) return kNotWhole;
  for (std::size_t i = 0; i < decoded_.size(); ++i) {
    if (std::size_t(size) >= decoded_[i].size() &&
        std::memcmp(data, decoded_[i].data(), decoded_[i].size()) == 0) {
      return std::uint32_t(i + 1);
    }
  }
  return kNotWhole;
}

}  // namespace orlin::soak
