// FrameSender: the socket and the destination.
#include <algorithm>
#include <cstring>

#include "phone/frame_sender.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/stream.h"

namespace orlin::phone {

HRESULT FrameSender::OpenNetwork() {
  CloseNetwork();
  if (winsock_.Start() != 0) {
    ShowError(ORLIN_TEXT("WSAStartup failed"));
    return E_FAIL;
  }
  SocketHandle s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!s.Valid()) {
    ShowError(ORLIN_TEXT("Invalid socket"));
    winsock_.End();
    return E_FAIL;
  }
  {
    std::lock_guard<std::mutex> guard(send_lock_);
    socket_ = std::move(s);
    announcement_due_ = true;  // a PC that listens learns the format at once
  }
  // A failed resolution has been shown to the user; the start goes on and
  // frames are sent once a destination resolves.
  ResolveDestination();
  SizeSendBuffers();
  return S_OK;
}

bool FrameSender::NetworkOpen() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return socket_.Valid();
}

bool FrameSender::DestinationResolved() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return destination_resolved_;
}

HRESULT FrameSender::ResolveDestination() {
  WCHAR address[kAddressChars];
  std::uint16_t port = 0;
  {
    std::lock_guard<std::mutex> guard(send_lock_);
    std::memcpy(address, destination_address_, sizeof address);
    port = destination_port_;
  }
  char name[kAddressChars];
  addrinfo* results = nullptr;
  addrinfo hints{};
  // Only IPv4 answers: the stream is IPv4, and a host whose first answer is
  // IPv6 must still resolve to its IPv4 address.
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  const bool converted = HostNameToAnsi(address, name, sizeof name);
  if (!converted || getaddrinfo(name, nullptr, &hints, &results) != 0 || results == nullptr ||
      results->ai_addr == nullptr || results->ai_family != AF_INET) {
    if (results != nullptr) freeaddrinfo(results);
    // "%s not found", with the destination as the user typed it.
    static constexpr WCHAR kSuffix[] = ORLIN_TEXT(" not found");
    WCHAR message[kAddressChars + sizeof kSuffix / sizeof(WCHAR)];
    int length = 0;
    while (address[length] != 0) {
      message[length] = address[length];
      ++length;
    }
    std::memcpy(message + length, kSuffix, sizeof kSuffix);
    ShowError(message);
    return E_FAIL;
  }

  sockaddr_in resolved{};
  resolved.sin_family = AF_INET;
  resolved.sin_port = htons(port);
  resolved.sin_addr = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr;
  freeaddrinfo(results);

  WCHAR text[kAddressChars] = {};
  const char* dotted = inet_ntoa(resolved.sin_addr);
  for (int i = 0; dotted != nullptr && dotted[i] != '\0' && i < kAddressChars - 1; ++i) {
    text[i] = static_cast<WCHAR>(static_cast<unsigned char>(dotted[i]));
  }

  std::lock_guard<std::mutex> guard(send_lock_);
  destination_ = resolved;
  destination_resolved_ = true;
  std::memcpy(address_text_, text, sizeof text);
  return S_OK;
}

void FrameSender::SizeSendBuffers() {
  std::lock_guard<std::mutex> guard(send_lock_);
  const wire::ChunkGeometry geometry = wire::ComputeChunkGeometry(sample_size_);
  chunk_count_ = static_cast<std::int32_t>(geometry.count);
  chunk_size_ = static_cast<std::int32_t>(geometry.bytes);
  // Before OpenNetwork there is no socket yet: it sets the buffer then.
  if (!socket_.Valid()) return;
  int bytes = compression_ != 0 ? wire::kMaxChunkBytes : 2 * chunk_size_;
  // Pieces: room for a burst and the piece after it, so that the burst leaves
  // without waiting for the network.
  if (FramesMayGoInPieces()) {
    const std::int32_t burst = std::clamp(piece_pacing_.burst, std::int32_t{1}, std::int32_t{16});
    bytes = (burst + 1) * wire::kMaxUdpPayloadBytes;
  }
  setsockopt(socket_.Get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
             sizeof bytes);
}

bool FrameSender::FramesMayGoInPieces() const {
  if (compression_ != 0) {
    return CompressBufferBytes() - wire::kCompressedHeaderBytes > wire::kMaxCompressedPayloadBytes;
  }
  return sample_size_ > 0 && !wire::FitsCountedChunks(sample_size_);
}

void FrameSender::CloseNetwork() {
  {
    std::lock_guard<std::mutex> guard(send_lock_);
    socket_.Reset();
  }
  winsock_.End();
}

}  // namespace orlin::phone
