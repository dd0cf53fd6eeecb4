#include "tests/soak/lossy_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>

#include "wire/stream.h"

namespace orlin::soak {
namespace {

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

LossyRelay::LossyRelay(FaultRates rates, std::uint32_t seed) : rates_(rates), random_(seed) {
  in_ = socket(AF_INET, SOCK_DGRAM, 0);
  out_ = socket(AF_INET, SOCK_DGRAM, 0);
  if (in_ < 0 || out_ < 0) return;
  const int buffer = 4 << 20;
  setsockopt(in_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  setsockopt(out_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  // Short waits, so that the loop sees a stop and a change of faults.
  timeval wait{0, 20000};
  setsockopt(in_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (bind(in_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(in_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(in_);
    in_ = -1;
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Loop(); });
}

LossyRelay::~LossyRelay() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
}

void LossyRelay::SetFaults(bool on) {
  faults_ = on;
  // The loop acknowledges within one wait of 20 ms.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (faults_seen_.load() != on && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

RelayCounts LossyRelay::Counts() const {
  return {received_.load(), dropped_.load(), duplicated_.load(),
          reordered_.load(), truncated_.load(), corrupted_.load()};
}

void LossyRelay::Forward(const std::uint8_t* data, std::size_t size) {
  const sockaddr_in filter = Loopback(wire::kStreamPort);
  sendto(out_, data, size, 0, reinterpret_cast<const sockaddr*>(&filter), sizeof filter);
}

void LossyRelay::Loop() {
  std::vector<std::uint8_t> datagram(65536);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  while (!stop_.load()) {
    const bool faults = faults_.load();
    if (!faults && holding_) {
      holding_ = false;  // what was held back belongs to the lossy time
    }
    faults_seen_ = faults;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = recvfrom(in_, datagram.data(), datagram.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got < 0) continue;
    if (!connected_) {
      // From now on only the sender's datagrams reach this socket.
      connected_ = connect(in_, reinterpret_cast<const sockaddr*>(&from), fromLength) == 0;
    }
    ++received_;
    std::size_t size = std::size_t(got);
    if (!faults) {
      Forward(datagram.data(), size);
      continue;
    }
    if (chance(random_) < rates_.drop) {
      ++dropped_;
      continue;
    }
    if (chance(random_) < rates_.truncate) {
      ++truncated_;
      size = std::uniform_int_distribution<std::size_t>(0, size > 0 ? size - 1 : 0)(random_);
    }
    if (size > 0 && chance(random_) < rates_.corrupt) {
      ++corrupted_;
      const int bytes = std::uniform_int_distribution<int>(1, 4)(random_);
      for (int i = 0; i < bytes; ++i) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, size - 1)(random_);
        datagram[at] ^= std::uint8_t(std::uniform_int_distribution<int>(1, 255)(random_));
      }
    }
    if (!holding_ && chance(random_) < rates_.reorder) {
      ++reordered_;
      held_.assign(datagram.begin(), datagram.begin() + std::ptrdiff_t(size));
      holding_ = true;
      continue;
    }
    Forward(datagram.data(), size);
    if (chance(random_) < rates_.duplicate) {
      ++duplicated_;
      Forward(datagram.data(), size);
    }
    if (holding_) {
      holding_ = false;
      Forward(held_.data(), held_.size());
    }
  }
}

}  // namespace orlin::soak
