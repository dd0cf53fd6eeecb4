#include "bench/view_latency/stream_port.h"

#include <thread>

#include "platform/posix/win32/udp_port_holders.h"
#include "wire/stream.h"

namespace orlin::bench {

std::size_t OthersOnTheStreamPort(pid_t owner) {
  return posix::UdpPortHolders(wire::kStreamPort, owner).size();
}

bool WaitForTheStreamPort(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (OthersOnTheStreamPort(0) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

}  // namespace orlin::bench
