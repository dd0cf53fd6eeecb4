// Waiting for what a test expects to happen on another thread or in another
// process: the condition is polled until it holds or a deadline passes. The
// deadline is generous, so a loaded machine only makes a passing test slower;
// only a condition that never comes makes it fail.
#pragma once

#include <chrono>
#include <thread>

namespace orlin::test {

inline constexpr std::chrono::milliseconds kGenerousDeadline{20000};

// True as soon as `condition()` is; false when it still is not at the deadline.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds deadline = kGenerousDeadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace orlin::test
