// Which sockets hold a UDP port, read from /proc: for the tests and benchmarks
// that need the stream port to themselves while other programs may use it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>

namespace orlin::posix {

// Inodes of the UDP sockets (IPv4 and IPv6) bound to `port`, leaving out
// those of process `except` (0: leaves out none).
std::set<std::string> UdpPortHolders(std::uint16_t port, pid_t except);

}  // namespace orlin::posix
