// Signals between the application threads and a worker: a manual-reset event
// stays signalled until reset; an auto-reset event releases one waiter and
// resets itself.
#pragma once

#include <condition_variable>
#include <mutex>

namespace orlin::framework {

class CAMEvent {
 public:
  enum class Reset { Manual, Automatic };

  explicit CAMEvent(Reset mode) : manual_(mode == Reset::Manual) {}
  CAMEvent(const CAMEvent&) = delete;
  CAMEvent& operator=(const CAMEvent&) = delete;

  void Set();
  void Reset();
  // Waits without time limit; an auto-reset event is reset by the wait.
  void Wait();
  // Tests without waiting; an auto-reset event found signalled is reset.
  bool Check();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
  const bool manual_;
};

}  // namespace orlin::framework
