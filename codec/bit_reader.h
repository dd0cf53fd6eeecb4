// Bounds-checked, most-significant-bit-first reader over a payload that comes
// off the network. The reader may run past the payload (a frame cut short):
// bits there come from the two bytes after the payload, which the caller keeps
// readable, and are zero beyond them. It never touches any byte further on.
//
// Those checks cost a branch and a slow load on every look-ahead; far from the
// end (FarFromEnd) the decoder reads through a BitWindow instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_order.h"

namespace orlin::codec {

class BitReader {
 public:
  // Bytes after the payload that a look-ahead may read.
  static constexpr std::size_t kReadableTail = 2;

  BitReader(const std::uint8_t* payload, std::size_t length)
      : data_(payload),
        end_bit_(static_cast<std::uint64_t>(length) * 8),
        readable_(length + kReadableTail) {}

  // True while the next `bytes` bytes lie inside the payload.
  bool FarFromEnd(std::size_t bytes) const { return (pos_ >> 3) + bytes <= end_bit_ >> 3; }

  // The next 32 bits, most significant first, without consuming them.
  std::uint32_t Peek32() const {
    const std::size_t byte = static_cast<std::size_t>(pos_ >> 3);
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    std::uint64_t window;
    if (byte + 8 <= readable_) {
      window = LoadBigEndian64(data_ + byte);
    } else {
      window = 0;
      for (std::size_t i = 0; i < 5; ++i) {
        const std::size_t at = byte + i;
        const std::uint64_t value = at < readable_ ? data_[at] : 0;
        window |= value << (56 - 8 * i);
      }
    }
    return static_cast<std::uint32_t>((window << shift) >> 32);
  }

  // The next n bits (0 to 25) as an unsigned number.
  std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(std::uint64_t{Peek32()} >> (32 - n)); }

  // Consumes n bits. Running past the payload is not an error here: the next
  // parse step that needs real data fails instead.
  void Skip(int n) { pos_ += static_cast<std::uint64_t>(n); }

  std::uint32_t Read(int n) {
    const std::uint32_t value = Peek(n);
    Skip(n);
    return value;
  }

  // Makes bit `position` the next one.
  void Seek(std::uint64_t position) { pos_ = position; }
  std::uint64_t Position() const { return pos_; }

  // Bits of the payload not yet consumed (0 once past its end).
  std::uint64_t BitsLeft() const { return pos_ < end_bit_ ? end_bit_ - pos_ : 0; }

 private:
  const std::uint8_t* data_;
  std::uint64_t pos_ = 0;
  std::uint64_t end_bit_;
  std::size_t readable_;
};

}  // namespace orlin::codec
