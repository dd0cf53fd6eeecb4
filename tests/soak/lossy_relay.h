// A lossy link between the phone's sender and the filter, on 127.0.0.1 only.
// It listens on a port of its own, which the sender is pointed at, and passes
// what it receives on to the filter on the stream port, from a socket of its
// own. At the first datagram it connects to the sender's address, so that
// nothing else that reaches its port is passed on. Each datagram is dropped,
// duplicated, held back behind the next one, cut short or has bytes changed,
// at set rates.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace orlin::soak {

struct FaultRates {
  double drop = 0;
  double duplicate = 0;
  double reorder = 0;
  double truncate = 0;  // to a random length, 0 included
  double corrupt = 0;   // one to four bytes anywhere, the header included
};

struct RelayCounts {
  std::uint64_t received = 0;
  std::uint64_t dropped = 0;
  std::uint64_t duplicated = 0;
  std::uint64_t reordered = 0;
  std::uint64_t truncated = 0;
  std::uint64_t corrupted = 0;
};

class LossyRelay {
 public:
  LossyRelay(FaultRates rates, std::uint32_t seed);
  ~LossyRelay();
  LossyRelay(const LossyRelay&) = delete;
  LossyRelay& operator=(const LossyRelay&) = delete;

  bool Listening() const { return in_ >= 0 && out_ >= 0; }
  // The port the sender sends to.
  std::uint16_t Port() const { return port_; }
  // Off: every datagram passes as it came, and one held back is dropped. The
  // change applies from the next datagram received; returns once it has.
  void SetFaults(bool on);
  RelayCounts Counts() const;

 private:
  void Loop();
  void Forward(const std::uint8_t* data, std::size_t size);

  FaultRates rates_;
  std::mt19937 random_;
  int in_ = -1;
  std::uint16_t port_ = 0;
  int out_ = -1;
  std::atomic<bool> faults_{true};
  std::atomic<bool> faults_seen_{true};
  std::atomic<bool> stop_{false};
  std::vector<std::uint8_t> held_;
  bool holding_ = false;
  bool connected_ = false;
  mutable std::atomic<std::uint64_t> received_{0}, dropped_{0}, duplicated_{0}, reordered_{0},
      truncated_{0}, corrupted_{0};
  std::thread thread_;
};

}  // namespace orlin::soak
