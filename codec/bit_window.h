// The decoder's fast reader: the next bits of the payload held in a 64-bit
// register. Consuming bits is a shift, so reading one code after another waits
// only on the shift, not on a load from the payload as BitReader's look-ahead
// does; the loads that top the window up use an address known one code early.
//
// Only for a stretch of payload that lies well inside it: every refill reads
// the eight bytes at next_, which may run up to 96 bytes past the bit where a
// block of at most 641 bits begins (FarFromEnd). Near the end the decoder uses
// BitReader instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/byte_order.h"

namespace orlin::codec {

class BitWindow {
 public:
  // Bytes past next_ that a block beginning now may read, refills included.
  static constexpr std::size_t kBlockReach = 96;

  // An empty window, to be placed with Seek before use.
  BitWindow() = default;

  // Makes bit `position` of `payload` the next bit (only far from the end).
  void Seek(const std::uint8_t* payload, std::uint64_t position) {
    next_ = payload + position / 8;
    bits_ = 0;
    count_ = 0;
    Refill();
    Skip(static_cast<int>(position % 8));
  }

  // Tops the window up to 56 bits or more. The bits below the valid ones are
  // zeros or the payload bits that follow, so OR-ing the next bytes in is exact.
  void Refill() {
    bits_ |= LoadBigEndian64(next_) >> count_;
    next_ += (63 - count_) >> 3;
    count_ |= 56;
  }

  // The next 64 bits, most significant first; the first count_ are valid.
  std::uint64_t Peek64() const { return bits_; }
  std::uint32_t Peek32() const { return static_cast<std::uint32_t>(bits_ >> 32); }

  // Consumes n bits (n <= count_, at most 63).
  void Skip(int n) {
    bits_ <<= n;
    count_ -= static_cast<unsigned>(n);
  }

  // Zero bits before the next 1 (63 when the window holds none).
  int LeadingZeros() const { return __builtin_clzll(bits_ | 1u); }

  // The next n bits (0 to 32) as an unsigned number, consumed.
  std::uint32_t Read(int n) {
    const auto value = static_cast<std::uint32_t>(std::uint64_t{Peek32()} >> (32 - n));
    Skip(n);
    return value;
  }

  // Every level_prefix lies inside the payload this far from its end.
  static constexpr bool PrefixInside(int /*zeros*/) { return true; }

  // Bit offset of the next bit from `payload`.
  std::uint64_t Position(const std::uint8_t* payload) const {
    return static_cast<std::uint64_t>(next_ - payload) * 8 - count_;
  }

  // True while a block beginning now reads nothing at or past `end`.
  bool FarFromEnd(const std::uint8_t* end) const { return end - next_ >= std::ptrdiff_t(kBlockReach); }

 private:
  const std::uint8_t* next_ = nullptr;  // the byte after the last one loaded whole
  std::uint64_t bits_ = 0;
  std::uint64_t count_ = 0;  // valid bits at the top of bits_ (0 to 63)
};

}  // namespace orlin::codec
