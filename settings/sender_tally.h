// Who was kept out: the datagrams a PC listener dropped because another
// address than the one it takes sent them, counted per sender. The stream and
// the announcement listener of one filter count into the same tally, on the
// streaming thread; a host reads it from any thread. Fixed room, no
// allocation: the first senders seen get a count of their own, any later ones
// share one.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace orlin::settings {

inline constexpr int kTalliedSenders = 8;

struct SenderCount {
  std::uint32_t address = 0;  // IPv4, network order
  std::uint64_t datagrams = 0;
};

struct SenderTallyCounts {
  bool filtering = false;       // a sender is set: every other one is dropped and counted
  std::uint32_t acceptFrom = 0;  // that sender (network order) when filtering
  std::uint32_t senders = 0;     // entries of `sender` in use, first seen first
  std::uint64_t otherDatagrams = 0;  // from senders past the room
  SenderCount sender[kTalliedSenders]{};

  std::uint64_t Total() const {
    std::uint64_t total = otherDatagrams;
    for (std::uint32_t i = 0; i < senders; ++i) total += sender[i].datagrams;
    return total;
  }
};

class SenderTally {
 public:
  // A new run, taking `acceptFrom` alone (nothing: every sender, nothing counted).
  void Reset(std::optional<std::uint32_t> acceptFrom) {
    std::lock_guard lock(lock_);
    counts_ = {};
    counts_.filtering = acceptFrom.has_value();
    counts_.acceptFrom = acceptFrom.value_or(0);
  }
  // One datagram from `address` (network order) dropped.
  void Count(std::uint32_t address) {
    std::lock_guard lock(lock_);
    for (std::uint32_t i = 0; i < counts_.senders; ++i) {
      if (counts_.sender[i].address == address) {
        ++counts_.sender[i].datagrams;
        return;
      }
    }
    if (counts_.senders < kTalliedSenders) {
      counts_.sender[counts_.senders++] = {address, 1};
    } else {
      ++counts_.otherDatagrams;
    }
  }
  SenderTallyCounts Counts() const {
    std::lock_guard lock(lock_);
    return counts_;
  }

 private:
  mutable std::mutex lock_;
  SenderTallyCounts counts_;
};

}  // namespace orlin::settings
