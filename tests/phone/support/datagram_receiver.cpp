#include "tests/phone/support/datagram_receiver.h"

#include <gtest/gtest.h>

namespace orlin::test {

DatagramReceiver::DatagramReceiver(std::uint16_t port) {
  if (winsock_.Start() != 0) {
    ADD_FAILURE() << "WSAStartup failed";
    return;
  }
  socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!socket_.Valid()) {
    ADD_FAILURE() << "no socket";
    return;
  }
  // Room for whole bursts of chunks, as a PC with a large receive buffer has.
  const int bufferBytes = 8 * 1024 * 1024;
  setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bufferBytes),
             sizeof bufferBytes);
  SetReceiveTimeout(socket_.Get(), 50);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ADD_FAILURE() << "cannot bind 127.0.0.1:" << port << " (error " << WSAGetLastError() << ")";
    return;
  }
  socklen_t length = sizeof address;
  if (getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
  bound_ = true;
  thread_ = std::thread([this] { Run(); });
}

DatagramReceiver::~DatagramReceiver() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void DatagramReceiver::Run() {
  // One byte more than any UDP payload, so a datagram is never cut short here.
  std::vector<std::uint8_t> buffer(65536);
  while (!stop_) {
    const int received = recvfrom(socket_.Get(), reinterpret_cast<char*>(buffer.data()),
                                  static_cast<int>(buffer.size()), 0, nullptr, nullptr);
    if (received < 0) continue;  // time-out: look at the stop flag again
    std::lock_guard<std::mutex> guard(lock_);
    datagrams_.emplace_back(buffer.begin(), buffer.begin() + received);
    arrived_.notify_all();
  }
}

std::vector<Datagram> DatagramReceiver::Take(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  arrived_.wait_for(guard, timeout, [&] { return datagrams_.size() >= count; });
  std::vector<Datagram> taken;
  taken.swap(datagrams_);
  return taken;
}

}  // namespace orlin::test
