// Reads a fuzz input front to back: fixed-size fields first, then the rest.
// Past the end every field reads as zero, so any input is a valid one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlin::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Take8() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t Take16() {
    const std::uint16_t low = Take8();
    return std::uint16_t(low | (Take8() << 8));
  }
  std::uint32_t Take32() {
    const std::uint32_t low = Take16();
    return low | (std::uint32_t(Take16()) << 16);
  }
  // Up to `count` bytes; fewer at the end of the input.
  const std::uint8_t* Take(std::size_t count, std::size_t* taken) {
    const std::uint8_t* p = data_ + pos_;
    *taken = count < Remaining() ? count : Remaining();
    pos_ += *taken;
    return p;
  }
  std::size_t Remaining() const { return size_ - pos_; }
  const std::uint8_t* Rest() const { return data_ + pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace orlin::fuzz
