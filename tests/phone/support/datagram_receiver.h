// The PC end of a test: a UDP socket on 127.0.0.1 that collects every datagram
// on a thread of its own, so bursts of chunks are drained as they arrive.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "orlin/winsock.h"

namespace orlin::test {

using Datagram = std::vector<std::uint8_t>;

class DatagramReceiver {
 public:
  // Binds 127.0.0.1:port (0: a port of the system's choosing, which no other
  // program's stream reaches); the test fails when it cannot.
  explicit DatagramReceiver(std::uint16_t port = 0);
  ~DatagramReceiver();
  DatagramReceiver(const DatagramReceiver&) = delete;
  DatagramReceiver& operator=(const DatagramReceiver&) = delete;

  bool Bound() const { return bound_; }
  // The port bound, 0 when none is.
  std::uint16_t Port() const { return port_; }

  // Waits until `count` datagrams have arrived (or `timeout` has passed) and
  // hands over everything received so far, in arrival order.
  std::vector<Datagram> Take(std::size_t count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  void Run();

  WinsockSession winsock_;
  SocketHandle socket_;
  bool bound_ = false;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<Datagram> datagrams_;
  std::thread thread_;
};

}  // namespace orlin::test
