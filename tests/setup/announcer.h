// A phone's format announcement as the setup's Detect meets it: sent over
// loopback to a port of the test's own, again and again (as the phone sends it
// about once a second) until the announcer goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "orlin/winsock.h"
#include "settings/announcement.h"
#include "wire/announcement.h"

namespace orlin::setup {

// A port no one listens on now: one the system picked, let go again.
inline std::uint16_t FreeAnnouncementPort() {
  settings::AnnouncementListener listener;
  listener.Open(0);
  return listener.BoundPort();
}

// The announcement of a phone that streams `fourCC` at 320 x 240.
inline wire::Announcement PhoneAnnouncement(std::uint32_t fourCC, std::uint32_t bitsPerPixel,
                                            bool compression) {
  wire::Announcement a;
  a.fourCC = fourCC;
  a.width = 320;
  a.height = 240;
  a.bitsPerPixel = bitsPerPixel;
  a.sampleSize = 320 * 240 * bitsPerPixel / 8;
  a.compression = compression ? 1 : 0;
  const wire::PcReception pc = wire::PcReceptionOf(fourCC, compression);
  a.pcFourCC = pc.fourCC;
  a.pcSwapUV = pc.swapUV;
  return a;
}

class Announcer {
 public:
  Announcer(std::uint16_t port, const wire::Announcement& announcement) {
    wire::WriteAnnouncement(announcement, datagram_);
    session_.Start();
    socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    to_.sin_family = AF_INET;
    to_.sin_port = htons(port);
    to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    thread_ = std::thread([this] {
      while (!done_) {
        sendto(socket_.Get(), reinterpret_cast<const char*>(datagram_), wire::kAnnouncementBytes,
               0, reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
  }
  ~Announcer() {
    done_ = true;
    thread_.join();
  }
  Announcer(const Announcer&) = delete;
  Announcer& operator=(const Announcer&) = delete;

 private:
  WinsockSession session_;
  SocketHandle socket_;
  sockaddr_in to_{};
  std::uint8_t datagram_[wire::kAnnouncementBytes] = {};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace orlin::setup
