// Most-significant-bit-first writer into a caller's byte buffer.
//
// Every code ends with an unconditional 8-byte store of the pending bits into
// a small staging buffer, so writing a code takes no branch that depends on
// the code lengths (which vary from block to block as much as the picture
// does). Whole bytes move from the staging buffer to the output 64 at a time;
// Finish() copies the rest and the last, partly filled byte padded with zero
// bits. Only final payload bytes ever reach the output, so nothing is written
// past the returned length. The caller keeps every write within its capacity.
//
// A small value type: the encoder copies it into a local for the length of a
// plane so that its fields live in registers (stores through the byte pointers
// could otherwise alias them and force reloads after every code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_order.h"

namespace orlin::codec {

class BitWriter {
 public:
  // Bytes moved to the output at a time, and the staging buffer they leave
  // from: a chunk plus the 8-byte store that may start at its last byte.
  static constexpr std::size_t kChunk = 64;
  static constexpr std::size_t kStagingBytes = kChunk + 8;

  BitWriter(std::uint8_t* output, std::uint8_t* staging) : out_(output), pos_(output), stage_(staging) {}

  // Appends the low `n` bits of `value` (1 <= n <= 56), most significant first;
  // bits of `value` above them must be zero.
  void Put(std::uint64_t value, int n) {
    Append(value, n);
    // The pending bits, left-aligned; the bytes after them are overwritten by
    // the next store.
    StoreBigEndian64(stage_ + fill_, acc_ << ((64 - bits_) & 63));
    fill_ += static_cast<std::size_t>(bits_ >> 3);
    bits_ &= 7;
    if (fill_ >= kChunk) Drain();
  }

  // Appends like Put but leaves the bits pending: cheaper where a Put is sure
  // to follow before the pending bits pass 64, i.e. when `n` and the bits of
  // that Put add up to at most 57.
  void Append(std::uint64_t value, int n) {
    acc_ = (acc_ << n) | value;
    bits_ += n;
  }

  // Offset of the byte that the next bit goes into.
  std::ptrdiff_t BytePosition() const { return (pos_ - out_) + static_cast<std::ptrdiff_t>(fill_); }

  // Stores the pending bits, the last byte padded with zeros; returns the
  // number of bytes written in all.
  std::size_t Finish() {
    if (bits_ > 0) {
      stage_[fill_++] = static_cast<std::uint8_t>(acc_ << (8 - bits_));
      bits_ = 0;
    }
    std::memcpy(pos_, stage_, fill_);
    pos_ += fill_;
    fill_ = 0;
    return static_cast<std::size_t>(pos_ - out_);
  }

 private:
  // Moves a chunk of whole bytes out; the bytes staged after it move down.
  void Drain() {
    std::memcpy(pos_, stage_, kChunk);
    pos_ += kChunk;
    std::memmove(stage_, stage_ + kChunk, kStagingBytes - kChunk);
    fill_ -= kChunk;
  }

  std::uint8_t* out_;
  std::uint8_t* pos_;     // where the next chunk goes
  std::uint8_t* stage_;   // kStagingBytes bytes; the first fill_ are whole bytes
  std::size_t fill_ = 0;  // below kChunk between calls
  std::uint64_t acc_ = 0; // pending bits in the low `bits_` positions
  int bits_ = 0;          // 0 to 7 between calls
};

}  // namespace orlin::codec
