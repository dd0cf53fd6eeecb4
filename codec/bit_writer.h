// Most-significant-bit-first writer into a caller's byte buffer. Only whole
// bytes are stored while writing; Finish() stores the last, partly filled byte
// padded with zero bits. The caller keeps every write within its capacity.
#pragma once

#include <cstddef>
#include <cstdint>

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
      const auto word = static_cast<std::uint32_t>(acc_ >> bits_);
      pos_[0] = static_cast<std::uint8_t>(word >> 24);
      pos_[1] = static_cast<std::uint8_t>(word >> 16);
      pos_[2] = static_cast<std::uint8_t>(word >> 8);
      pos_[3] = static_cast<std::uint8_t>(word);
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
  std::uint8_t* out_;
  std::uint8_t* pos_;
  std::uint64_t acc_ = 0;  // pending bits in the low `bits_` positions
  int bits_ = 0;           // 0 to 31 between calls
};

}  // namespace orlin::codec
