#include "phone/shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orlin::phone::shell {

std::string SingleInstance::DefaultLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] != 0) return std::string(runtime) + "/orlin-phone.lock";
  return "/tmp/orlin-phone-" + std::to_string(::getuid()) + ".lock";
}

SingleInstance::SingleInstance(std::string path) : path_(std::move(path)) {}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

bool SingleInstance::Acquire(std::string* error) {
  if (fd_ >= 0) return true;
  // O_NOFOLLOW: in a shared /tmp another user's symlink must not redirect us.
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    if (error) *error = "cannot open the lock file " + path_ + ": " + std::strerror(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int reason = errno;
    ::close(fd);
    if (error) {
      *error = reason == EWOULDBLOCK ? "orlin-phone is already running (lock " + path_ + ")"
                                     : "cannot lock " + path_ + ": " + std::strerror(reason);
    }
    return false;
  }
  fd_ = fd;
  return true;
}

}  // namespace orlin::phone::shell
