// The stream's real port is fixed, and other programs (a phone streaming, a
// viewer, another test run) may be using it. Tests that prove the real port
// take a turn on it; every other test uses a port of its own.
#pragma once

#include <memory>

namespace orlin::test {

class MachineTurn;

// A turn on the stream port, for as long as it lives. Making one waits, up to
// a generous deadline, for the turn among test runs on this machine (a lock
// file) and until no other program has a UDP socket on the port; then it goes
// on whatever the state, and the test's own checks report a port still taken.
// Linux: reads /proc/net/udp.
class StreamPortTurn {
 public:
  StreamPortTurn();
  ~StreamPortTurn();
  StreamPortTurn(const StreamPortTurn&) = delete;
  StreamPortTurn& operator=(const StreamPortTurn&) = delete;

 private:
  std::shared_ptr<MachineTurn> turn_;
};

}  // namespace orlin::test
