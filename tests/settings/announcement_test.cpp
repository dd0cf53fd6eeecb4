// The PC's side of the format announcement: the settings that receive an
// announced stream, and a listener that finds the announcement among other
// datagrams.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/announcement.h"

namespace orlin::settings {
namespace {

wire::Announcement Announced(std::uint32_t fourCC, std::uint32_t bits, bool compression,
                             std::uint32_t pixelCorrection) {
  wire::Announcement a;
  a.fourCC = fourCC;
  a.width = 320;
  a.height = 240;
  a.bitsPerPixel = bits;
  a.sampleSize = 320 * 240 * bits / 8;
  a.compression = compression;
  a.level = 2;
  a.pixelCorrection = pixelCorrection;
  const wire::PcReception pc = wire::PcReceptionOf(fourCC, compression);
  a.pcFourCC = pc.fourCC;
  a.pcSwapUV = pc.swapUV;
  return a;
}

TEST(SettingsToReceive, TheAnnouncedFormatWithThePcFourCcAndTheDerivedRules) {
  using wire::kFourCC_IYUV, wire::kFourCC_YV12, wire::kFourCC_YUY2;
  EXPECT_EQ(SettingsToReceive(Announced(kFourCC_YV12, 12, true, 0)),
            (VideoFormatSettings{kFourCC_IYUV, 320, 240, 12, 1, 0, 1}));
  EXPECT_EQ(SettingsToReceive(Announced(kFourCC_YUY2, 16, false, 1)),
            (VideoFormatSettings{kFourCC_YUY2, 320, 240, 16, 0, 1, 0}));
  // Too few bits for the phone's exchange: the PC's is forced off.
  EXPECT_EQ(SettingsToReceive(Announced(kFourCC_YV12, 4, false, 1)).PixelCorrection, 0u);
}

class Sender {
 public:
  explicit Sender(std::uint16_t port) {
    session_.Start();
    socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    to_.sin_family = AF_INET;
    to_.sin_port = htons(port);
    to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  void Send(const void* bytes, int length) {
    sendto(socket_.Get(), static_cast<const char*>(bytes), length, 0,
           reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
  }

 private:
  WinsockSession session_;
  SocketHandle socket_;
  sockaddr_in to_{};
};

TEST(AnnouncementListener, FindsTheAnnouncementAmongOtherDatagramsAndTimesOut) {
  AnnouncementListener listener;
  ASSERT_TRUE(listener.Open(0).empty());
  ASSERT_NE(listener.BoundPort(), 0);
  EXPECT_FALSE(listener.Receive(0)) << "nothing waits";
  EXPECT_FALSE(listener.Receive(50)) << "nothing came";

  Sender sender(listener.BoundPort());
  std::uint8_t datagram[600] = {0x77, 0x88, 0x10, 0x00};
  sender.Send(datagram, 4);                       // a compressed frame's header
  sender.Send(datagram, int(sizeof datagram));    // longer than any announcement
  const wire::Announcement first = Announced(wire::kFourCC_YV12, 12, true, 0);
  const wire::Announcement second = Announced(wire::kFourCC_YUY2, 16, false, 0);
  wire::WriteAnnouncement(first, datagram);
  sender.Send(datagram, wire::kAnnouncementBytes);
  wire::WriteAnnouncement(second, datagram);
  sender.Send(datagram, wire::kAnnouncementBytes);

  EXPECT_EQ(listener.Receive(2000), first);
  EXPECT_EQ(listener.Receive(2000), second);
  sender.Send(datagram, wire::kAnnouncementBytes);
  wire::WriteAnnouncement(first, datagram);
  sender.Send(datagram, wire::kAnnouncementBytes);
  ASSERT_TRUE(listener.Receive(2000));  // both have arrived once the first is read
  listener.Close();
  EXPECT_FALSE(listener.Receive(0));
}

}  // namespace
}  // namespace orlin::settings
