#include "tests/support/stream_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/posix/win32/udp_port_holders.h"
#include "wire/stream.h"

namespace orlin::test {
namespace {

// UDP sockets on the stream port that belong to other programs.
std::set<std::string> OthersOnTheStreamPort() {
  return posix::UdpPortHolders(wire::kStreamPort, getpid());
}

}  // namespace

// The machine-wide turn, taken once per process however many turns it holds
// (two filters in one process share the port as they share the process).
class MachineTurn {
 public:
  explicit MachineTurn(std::chrono::steady_clock::time_point deadline) {
    // Every user's test runs take turns through the same file.
    lock_ = open("/tmp/orlin-stream-port.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock_ < 0) return;
    fchmod(lock_, 0666);
    while (flock(lock_, LOCK_EX | LOCK_NB) != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  ~MachineTurn() {
    if (lock_ >= 0) close(lock_);  // ends the turn
  }
  MachineTurn(const MachineTurn&) = delete;
  MachineTurn& operator=(const MachineTurn&) = delete;

 private:
  int lock_ = -1;
};

namespace {

std::shared_ptr<MachineTurn> TakeMachineTurn(std::chrono::steady_clock::time_point deadline) {
  static std::mutex mutex;
  static std::weak_ptr<MachineTurn> current;
  std::lock_guard<std::mutex> guard(mutex);
  std::shared_ptr<MachineTurn> turn = current.lock();
  if (!turn) {
    turn = std::make_shared<MachineTurn>(deadline);
    current = turn;
  }
  return turn;
}

}  // namespace

StreamPortTurn::StreamPortTurn() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  turn_ = TakeMachineTurn(deadline);
  while (!OthersOnTheStreamPort().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

StreamPortTurn::~StreamPortTurn() = default;

}  // namespace orlin::test
