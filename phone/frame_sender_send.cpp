// FrameSender: one camera frame into datagrams. Runs on the camera's streaming
// thread; allocates nothing and copies nothing but the encoder's output.
#include <algorithm>
#include <thread>
#include <utility>

#include "codec/codec.h"
#include "orlin/send_datagram.h"
#include "phone/chunk_pacing.h"
#include "phone/frame_sender.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"

namespace orlin::phone {
namespace {

// The bytes the network took. A failed send loses this datagram only; the
// stream goes on.
std::uint64_t SendWhole(SOCKET s, const BYTE* data, std::int32_t length, const sockaddr_in& to) {
  const int sent = sendto(s, reinterpret_cast<const char*>(data), length, 0,
                          reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return sent > 0 ? static_cast<std::uint64_t>(sent) : 0;
}

// Exchanges bytes 2 and 3 of each of the first `groups` 4-byte groups.
void CorrectPixels(BYTE* frame, std::int32_t groups) {
  for (std::int32_t i = 0; i < groups; ++i) std::swap(frame[4 * i + 2], frame[4 * i + 3]);
}

}  // namespace

HRESULT FrameSender::SendSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  BYTE* frame = nullptr;
  if (FAILED(sample->GetPointer(&frame)) || frame == nullptr) return S_OK;
  // What the camera's buffer really holds: nothing past it is ever read.
  const std::int64_t bufferBytes = std::max<LONG>(sample->GetSize(), 0);

  std::lock_guard<std::mutex> guard(send_lock_);
  if (!socket_.Valid() || !destination_resolved_) return S_OK;
  AnnounceIfDue();

  if (pixel_correction_ != 0 && std::int64_t{swap_count_} * 4 <= bufferBytes) {
    CorrectPixels(frame, swap_count_);
  }
  const std::uint64_t bytesBefore = bytes_sent_.load(std::memory_order_relaxed);
  std::int64_t datagramBytes = 0;  // 0: the frame is skipped
  bool inPieces = false;
  if (compression_ != 0) {
    // The encoder reads the whole YV12 picture: a short buffer skips the frame.
    if (static_cast<std::int64_t>(codec::PictureBytes(format_.Width, format_.Height)) <= bufferBytes) {
      datagramBytes = SendCompressed(frame, destination_, &inPieces);
    }
  } else if (!wire::FitsCountedChunks(sample_size_)) {
    // More chunks than the countdown counts: the whole frame, in pieces.
    if (sample_size_ <= bufferBytes) {
      datagramBytes = SendPieces(frame, sample_size_, wire::PieceKind::kRaw, 0, destination_);
      inPieces = true;
    }
  } else if (std::int64_t{chunk_count_} * chunk_size_ <= bufferBytes) {
    SendChunks(frame, destination_);
    datagramBytes = std::int64_t{chunk_count_} * chunk_size_;
  }
  // A datagram goes whole or not at all, so a frame went out exactly when the
  // network took all of its bytes.
  if (datagramBytes > 0) {
    const std::uint64_t taken = bytes_sent_.load(std::memory_order_relaxed) - bytesBefore;
    if (taken == static_cast<std::uint64_t>(datagramBytes)) {
      ++frames_sent_;
      if (inPieces) ++frames_in_pieces_;
    } else {
      ++frames_failed_;
    }
  }
  return S_OK;
}

std::int64_t FrameSender::SendCompressed(const BYTE* frame, const sockaddr_in& destination,
                                         bool* inPieces) {
  BYTE* datagram = compress_buffer_.get();
  std::int32_t length = compress_buffer_size_ - wire::kCompressedHeaderBytes;
  // The result is not needed: the returned length is always a usable prefix.
  codec::CompressFrame(frame, format_.Width, format_.Height, num_reductions_,
                       datagram + wire::kCompressedHeaderBytes, &length);
  const std::int32_t payloadBytes = std::max(length, std::int32_t{0});
  if (payloadBytes > wire::kMaxCompressedPayloadBytes) {
    // Longer than one datagram carries: the whole payload, in pieces, straight
    // from the buffer (the 0x77 0x88 header in front of it is not sent).
    *inPieces = true;
    const wire::PieceKind kind =
        send_length_ != 0 ? wire::PieceKind::kCompressed : wire::PieceKind::kCompressedFixedSize;
    return SendPieces(datagram + wire::kCompressedHeaderBytes, payloadBytes, kind,
                      static_cast<std::uint8_t>(num_reductions_), destination);
  }
  wire::WriteCompressedHeader(datagram, send_length_ != 0 ? payloadBytes : 0);
  const std::int32_t datagramBytes = wire::kCompressedHeaderBytes + payloadBytes;
  bytes_sent_ += SendWhole(socket_.Get(), datagram, datagramBytes, destination);
  return datagramBytes;
}

std::int64_t FrameSender::SendPieces(const BYTE* frame, std::int64_t frameBytes,
                                     wire::PieceKind kind, std::uint8_t level,
                                     const sockaddr_in& destination) {
  const std::int64_t count = wire::PieceCountOf(frameBytes);
  if (count == 0) return 0;
  wire::PieceHeader header;
  header.kind = kind;
  header.level = level;
  header.serial = piece_serial_++;
  header.count = static_cast<std::uint16_t>(count);
  header.frameBytes = static_cast<std::uint32_t>(frameBytes);
  // Each piece waits for its time counted from the first, so a late wake-up
  // is not added to every later one; the pieces it held back catch up at half
  // the gap, never back to back, which would overflow the PC's buffer as an
  // unpaced frame does.
  const auto first = std::chrono::steady_clock::now();
  auto previous = first;
  for (std::int64_t index = 0; index < count; ++index) {
    const std::chrono::microseconds delay = PieceDelay(index, count, piece_pacing_);
    if (delay.count() > 0) {
      const std::chrono::microseconds step = delay - PieceDelay(index - 1, count, piece_pacing_);
      std::this_thread::sleep_until(std::max(first + delay, previous + step / 2));
      previous = std::chrono::steady_clock::now();
    }
    header.index = static_cast<std::uint16_t>(index);
    wire::WritePieceHeader(header, piece_header_);
    const int sent = SendDatagram(socket_.Get(), piece_header_, wire::kPieceHeaderBytes,
                                  frame + wire::PieceOffset(index),
                                  wire::PieceBytes(frameBytes, index), destination);
    if (sent > 0) bytes_sent_ += static_cast<std::uint64_t>(sent);
  }
  return frameBytes + count * wire::kPieceHeaderBytes;
}

void FrameSender::SendChunks(BYTE* frame, const sockaddr_in& destination) {
  if (chunk_count_ == 1) {
    bytes_sent_ += SendWhole(socket_.Get(), frame, chunk_size_, destination);
    return;
  }
  // Slices go out in place, first slice first; the low nibble of each slice's
  // last byte counts down to 1 so the PC can check their order. Paced, each
  // waits for its time counted from the first, so a late wake-up is not added
  // to every later one.
  const auto first = std::chrono::steady_clock::now();
  BYTE* slice = frame;
  for (std::int32_t k = chunk_count_; k >= 1; --k, slice += chunk_size_) {
    if (chunk_spread_.count() > 0) {
      std::this_thread::sleep_until(first + ChunkDelay(chunk_count_ - k, chunk_count_, chunk_spread_));
    }
    BYTE& last = slice[chunk_size_ - 1];
    last = wire::TagChunkByte(last, k);
    bytes_sent_ += SendWhole(socket_.Get(), slice, chunk_size_, destination);
  }
}

}  // namespace orlin::phone
