// Most-significant-bit-first writer into a caller's byte buffer. Only whole
// bytes are stored while writing; Finish() stores the last, partly filled byte
// padded with zero bits. The caller keeps every write within its capacity.
//
// A small value type: the encoder copies it into a local for the length of a
// plane so that its fields live in registers (stores through the byte pointer
// could otherwise alias them and force reloads after every byte written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orlin::codec {

class BitWriter {
 public:
  explicit BitWriter(std::uint8_t* output) : out_(output), pos_(output) {}

  // Appends the low `n` bits of `value` (n <= 32), most significant first.
  void Put(std::uint32_t value, int n) {
    acc_ = (acc_ << n) | value;
    bits_ += n;
    if (bits_ >= 32) {
      bits_ -= 32;
      const std::uint32_t word = ToBigEndian(static_cast<std::uint32_t>(acc_ >> bits_));
      std::memcpy(pos_, &word, 4);
      pos_ += 4;
    }
  }

  // Offset of the byte that the next bit goes into.
  std::ptrdiff_t BytePosition() const { return (pos_ - out_) + bits_ / 8; }

  // Stores the pending bits, the last byte padded with zeros; returns the
  // number of bytes written in all.
  std::size_t Finish() {
    while (bits_ >= 8) {
      bits_ -= 8;
      *pos_++ = static_cast<std::uint8_t>(acc_ >> bits_);
    }
    if (bits_ > 0) {
      *pos_++ = static_cast<std::uint8_t>(acc_ << (8 - bits_));
      bits_ = 0;
    }
    return static_cast<std::size_t>(pos_ - out_);
  }

 private:
  static std::uint32_t ToBigEndian(std::uint32_t word) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                                   static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
    std::uint32_t stored;
    std::memcpy(&stored, bytes, 4);
    return stored;
  }

  std::uint8_t* out_;
  std::uint8_t* pos_;
  std::uint64_t acc_ = 0;  // pending bits in the low `bits_` positions
  int bits_ = 0;           // 0 to 31 between calls
};

}  // namespace orlin::codec
