#include "filter/framework/event.h"

namespace orlin::framework {

void CAMEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  changed_.notify_all();
}

void CAMEvent::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

void CAMEvent::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return signalled_; });
  if (!manual_) signalled_ = false;
}

bool CAMEvent::Check() {
  std::lock_guard lock(mutex_);
  const bool was = signalled_;
  if (!manual_) signalled_ = false;
  return was;
}

}  // namespace orlin::framework
