#include "settings/announcement.h"

#include <chrono>

#ifndef _WIN32
#include <sys/select.h>
#endif

#include "orlin/receive_datagram.h"
#include "orlin/udp_port.h"

namespace orlin::settings {

VideoFormatSettings SettingsToReceive(const wire::Announcement& a) {
  VideoFormatSettings settings{a.pcFourCC,    a.width,           a.height, a.bitsPerPixel,
                               a.compression, a.pixelCorrection, a.pcSwapUV};
  ApplyDerivedRules(settings);
  return settings;
}

std::basic_string<WCHAR> AnnouncementListener::Open(std::uint16_t port) {
  Close();
  if (winsock_.Start() != 0) return ORLIN_TEXT("Windows Sockets could not be started");
  socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!socket_.Valid()) {
    winsock_.End();
    return ORLIN_TEXT("No socket could be made: ") + SocketErrorText(WSAGetLastError());
  }
  auto failure = BindUdpPort(socket_.Get(), port);
  if (!failure.empty()) Close();
  return failure;
}

std::uint16_t AnnouncementListener::BoundPort() const { return BoundUdpPort(socket_.Get()); }

namespace {

// Whether a datagram waits on `s`, waiting at most `milliseconds` for one.
bool DatagramWaits(SOCKET s, long long milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval wait{};
  wait.tv_sec = static_cast<long>(milliseconds / 1000);
  wait.tv_usec = static_cast<long>(milliseconds % 1000 * 1000);
  return select(static_cast<int>(s) + 1, &readable, nullptr, nullptr, &wait) > 0;
}

}  // namespace

std::optional<wire::Announcement> AnnouncementListener::Receive(DWORD timeoutMs) {
  using Clock = std::chrono::steady_clock;
  if (!socket_.Valid()) return std::nullopt;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  // Room for a longer datagram of a later version: it is read whole and its
  // known fields taken.
  std::uint8_t datagram[512];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (!DatagramWaits(socket_.Get(), left > 0 ? left : 0)) return std::nullopt;
    sockaddr_in from{};
    if (PeekDatagram(socket_.Get(), nullptr, 0, &from) == SOCKET_ERROR) from = {};
    if (accept_from_ && from.sin_family == AF_INET && from.sin_addr.s_addr != *accept_from_) {
      ReceiveDatagram(socket_.Get(), datagram, int(sizeof datagram));  // another sender's: dropped
      if (tally_ != nullptr) tally_->Count(from.sin_addr.s_addr);
      continue;
    }
    const int received = ReceiveDatagram(socket_.Get(), datagram, int(sizeof datagram));
    if (received != SOCKET_ERROR) {
      if (auto announcement = wire::ParseAnnouncement(datagram, received)) {
        if (from.sin_family == AF_INET) last_sender_ = from.sin_addr.s_addr;
        return announcement;
      }
    } else if (WSAGetLastError() != WSAEMSGSIZE) {
      return std::nullopt;
    }
  }
}

std::optional<wire::Announcement> AnnouncementListener::Latest() {
  std::optional<wire::Announcement> latest;
  while (auto next = Receive(0)) latest = next;
  return latest;
}

void AnnouncementListener::Close() {
  socket_.Reset();
  winsock_.End();
}

}  // namespace orlin::settings
