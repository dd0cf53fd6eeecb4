// FrameSender: what a connection or the Compression dialog puts in force.
#include <algorithm>
#include <new>
#include <utility>

#include "codec/codec.h"
#include "phone/frame_sender.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"

namespace orlin::phone {
namespace {

// Levels above the highest become the highest. A negative level (only a
// hand-edited setting gives one) would code nothing and send empty payloads
// that the PC takes for fixed-size frames, so it becomes 0.
std::int32_t ClampReductions(std::int32_t numReductions) {
  return std::clamp(numReductions, std::int32_t{0}, std::int32_t{codec::kMaxReductionLevel});
}

}  // namespace

std::int32_t FrameSender::CompressBufferBytes() const {
  const std::int64_t bytes = std::int64_t{format_.Width} * format_.Height * 3 / 4;
  return static_cast<std::int32_t>(std::min<std::int64_t>(bytes, INT32_MAX));
}

bool FrameSender::FormatCompressible() const {
  // Only YV12 is coded, and only within the encoder's limits (a plane at most
  // kMaxBlockColumns blocks wide); anything else goes out uncompressed.
  return format_.FourCC == wire::kFourCC_YV12 &&
         codec::PictureFits(format_.Width, format_.Height) &&
         CompressBufferBytes() > wire::kCompressedHeaderBytes;
}

bool FrameSender::EnsureCompressBuffer(std::int32_t bytes) {
  if (compress_buffer_ && compress_buffer_size_ >= bytes) return true;
  std::unique_ptr<BYTE[]> fresh(new (std::nothrow) BYTE[static_cast<std::size_t>(bytes)]);
  if (!fresh) return false;
  {
    // A frame in flight holds the lock: the old buffer is released only after it.
    std::lock_guard<std::mutex> guard(send_lock_);
    std::swap(compress_buffer_, fresh);
    compress_buffer_size_ = bytes;
  }
  return true;  // `fresh` now frees the old buffer, outside the lock
}

void FrameSender::ApplyConnectedFormat() {
  bool compress = compression_requested_ != 0;
  if (compress) compress = FormatCompressible() && EnsureCompressBuffer(CompressBufferBytes());

  {
    std::lock_guard<std::mutex> guard(send_lock_);
    compression_ = compress ? 1 : 0;
    num_reductions_ = ClampReductions(num_reductions_);
    send_length_ = (compression_ != 0 && num_reductions_ < codec::kMaxReductionLevel) ? 1 : 0;
    swap_count_ = static_cast<std::int32_t>(std::int64_t{format_.Width} * format_.Height / 4);
    announcement_due_ = true;
  }
  // The sample size may have changed with the format: the chunk geometry always
  // follows the connection, so it can never describe another format's frames.
  SizeSendBuffers();
}

std::int32_t FrameSender::ApplyCodecSettings(std::int32_t compression,
                                             std::int32_t pixelCorrection,
                                             std::int32_t numReductions) {
  bool compress = false;
  if (compression != 0 && FormatCompressible()) {
    compress = EnsureCompressBuffer(CompressBufferBytes());
  }
  {
    std::lock_guard<std::mutex> guard(send_lock_);
    compression_requested_ = compression != 0 ? 1 : 0;
    compression_ = compress ? 1 : 0;
    pixel_correction_ = pixelCorrection;
    num_reductions_ = ClampReductions(numReductions);
    send_length_ = (compression_ != 0 && num_reductions_ < codec::kMaxReductionLevel) ? 1 : 0;
  }
  SizeSendBuffers();
  return compression_;
}

}  // namespace orlin::phone
