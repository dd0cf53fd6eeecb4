// One large buffer allocated once, of which each input sees a window of
// exactly the bytes it asked for: the rest is poisoned for the address
// sanitizer, so a write or read past either end of the window is reported as
// it would be for a heap block of that size, without allocating (and faulting
// in) megabytes for every input.
#pragma once

#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace orlin::fuzz {

class GuardedWindow {
 public:
  explicit GuardedWindow(std::size_t capacity)
      : capacity_(capacity), arena_(new std::uint8_t[kGuard + capacity + kGuard]) {
    ASAN_POISON_MEMORY_REGION(arena_.get(), kGuard + capacity_ + kGuard);
  }
  GuardedWindow(const GuardedWindow&) = delete;
  GuardedWindow& operator=(const GuardedWindow&) = delete;
  ~GuardedWindow() { ASAN_UNPOISON_MEMORY_REGION(arena_.get(), kGuard + capacity_ + kGuard); }

  // A window of `bytes` (at most the capacity); the previous window ends.
  std::uint8_t* Window(std::size_t bytes) {
    if (bytes > capacity_) std::abort();
    ASAN_POISON_MEMORY_REGION(arena_.get() + kGuard, window_);
    ASAN_UNPOISON_MEMORY_REGION(arena_.get() + kGuard, bytes);
    window_ = bytes;
    return arena_.get() + kGuard;
  }

 private:
  static constexpr std::size_t kGuard = 64;
  const std::size_t capacity_;
  std::unique_ptr<std::uint8_t[]> arena_;
  std::size_t window_ = 0;
};

}  // namespace orlin::fuzz
