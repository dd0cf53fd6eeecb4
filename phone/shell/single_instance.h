// One phone program per user: a lock file held with flock for the process's
// life. The kernel drops the lock when the process ends, however it ends, so
// a crash never leaves the phone unable to start.
#pragma once

#include <string>

namespace orlin::phone::shell {

class SingleInstance {
 public:
  // $XDG_RUNTIME_DIR/orlin-phone.lock, else /tmp/orlin-phone-UID.lock.
  static std::string DefaultLockPath();

  explicit SingleInstance(std::string path = DefaultLockPath());
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the lock (or already did). False when
  // another holds it, or the file cannot be opened (`error` says which).
  bool Acquire(std::string* error);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace orlin::phone::shell
