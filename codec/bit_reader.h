// Bounds-checked, most-significant-bit-first reader over a payload that comes
// off the network. The reader may run past the payload (a frame cut short):
// bits there come from the two bytes after the payload, which the caller keeps
// readable, and are zero beyond them. It never touches any byte further on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orlin::codec {

class BitReader {
 public:
  // Bytes after the payload that a look-ahead may read.
  static constexpr std::size_t kReadableTail = 2;

  BitReader(const std::uint8_t* payload, std::size_t length)
      : data_(payload),
        end_bit_(static_cast<std::uint64_t>(length) * 8),
        readable_(length + kReadableTail) {}

  // The next 32 bits, most significant first, without consuming them.
  std::uint32_t Peek32() const {
    const std::size_t byte = static_cast<std::size_t>(pos_ >> 3);
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    std::uint64_t window;
    if (byte + 8 <= readable_) {
      std::uint8_t b[8];
      std::memcpy(b, data_ + byte, 8);
      window = (std::uint64_t{b[0]} << 56) | (std::uint64_t{b[1]} << 48) |
               (std::uint64_t{b[2]} << 40) | (std::uint64_t{b[3]} << 32) |
               (std::uint64_t{b[4]} << 24) | (std::uint64_t{b[5]} << 16) |
               (std::uint64_t{b[6]} << 8) | std::uint64_t{b[7]};
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

  // The next n bits (1 to 25) as an unsigned number.
  std::uint32_t Peek(int n) const { return Peek32() >> (32 - n); }

  // Consumes n bits. Running past the payload is not an error here: the next
  // parse step that needs real data fails instead.
  void Skip(int n) { pos_ += static_cast<std::uint64_t>(n); }

  std::uint32_t Read(int n) {
    const std::uint32_t value = Peek(n);
    Skip(n);
    return value;
  }

  // Bits of the payload not yet consumed (0 once past its end).
  std::uint64_t BitsLeft() const { return pos_ < end_bit_ ? end_bit_ - pos_ : 0; }

 private:
  const std::uint8_t* data_;
  std::uint64_t pos_ = 0;
  std::uint64_t end_bit_;
  std::size_t readable_;
};

}  // namespace orlin::codec
