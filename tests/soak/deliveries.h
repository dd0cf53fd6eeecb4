// What a hosted camera delivered, in order: which frame each sample held whole
// (kNotWhole when none) and when it came.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace orlin::soak {

class Deliveries {
 public:
  using Clock = std::chrono::steady_clock;

  void Add(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    ids_.push_back(id);
    times_.push_back(Clock::now());
    changed_.notify_all();
  }
  std::size_t Size() const {
    std::lock_guard lock(mutex_);
    return ids_.size();
  }
  std::vector<std::uint32_t> Ids() const {
    std::lock_guard lock(mutex_);
    return ids_;
  }
  std::vector<Clock::time_point> Times() const {
    std::lock_guard lock(mutex_);
    return times_;
  }
  std::size_t Whole() const {
    std::lock_guard lock(mutex_);
    std::size_t whole = 0;
    for (std::uint32_t id : ids_) whole += id != 0 ? 1 : 0;
    return whole;
  }
  // The id of delivery number `index` (0-based), once it has come.
  std::optional<std::uint32_t> WaitAt(std::size_t index, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return ids_.size() > index; })) return std::nullopt;
    return ids_[index];
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::uint32_t> ids_;
  std::vector<Clock::time_point> times_;
};

}  // namespace orlin::soak
