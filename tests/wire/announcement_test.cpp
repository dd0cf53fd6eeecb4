// The format announcement: its layout, what a receiver refuses, and the PC
// format that receives each phone format.
#include <gtest/gtest.h>

#include <vector>

#include "wire/announcement.h"

namespace orlin::wire {
namespace {

Announcement PhoneDefault() {
  Announcement a;
  a.fourCC = kFourCC_YV12;
  a.width = 176;
  a.height = 144;
  a.bitsPerPixel = 12;
  a.sampleSize = 38016;
  a.compression = 1;
  a.level = 2;
  a.frameInterval = 0x1'0005'1615ULL;  // a high word too, to place it
  a.pcFourCC = kFourCC_IYUV;
  a.pcSwapUV = 1;
  return a;
}

TEST(Announcement, LayoutIsLittleEndianAtTheDocumentedOffsets) {
  std::vector<std::uint8_t> d(kAnnouncementBytes, 0xEE);
  WriteAnnouncement(PhoneDefault(), d.data());
  const std::vector<std::uint8_t> expected{
      'O', 'R', 'L', 'A', 1, 0, 0, 0,                     // magic, version, reserved
      'Y', 'V', '1', '2', 176, 0, 0, 0, 144, 0, 0, 0,     // FourCC, width, height
      12, 0, 0, 0, 0x80, 0x94, 0, 0, 1, 0, 0, 0,          // bits, sample size, compression
      2, 0, 0, 0, 0, 0, 0, 0,                             // level, PixelCorrection
      0x15, 0x16, 0x05, 0x00, 0x01, 0, 0, 0,              // frame interval
      'I', 'Y', 'U', 'V', 1, 0, 0, 0};                    // PC FourCC, SwapUV
  EXPECT_EQ(d, expected);
  EXPECT_EQ(ParseAnnouncement(d.data(), kAnnouncementBytes), PhoneDefault());
}

TEST(Announcement, OnlyWholeDatagramsOfThisVersionAreTaken) {
  std::vector<std::uint8_t> d(kAnnouncementBytes + 8, 0);
  WriteAnnouncement(PhoneDefault(), d.data());
  EXPECT_TRUE(ParseAnnouncement(d.data(), std::int64_t(d.size())));  // later fields ignored
  EXPECT_FALSE(ParseAnnouncement(d.data(), kAnnouncementBytes - 1));
  EXPECT_FALSE(ParseAnnouncement(nullptr, kAnnouncementBytes));
  auto changed = d;
  changed[4] = 2;  // a later version
  EXPECT_FALSE(ParseAnnouncement(changed.data(), kAnnouncementBytes));
  changed = d;
  changed[0] = 0x77;  // a compressed frame's header is never one
  EXPECT_FALSE(ParseAnnouncement(changed.data(), kAnnouncementBytes));
  changed = d;
  changed[28] = 7;  // a flag is 0 or 1 whatever the sender wrote
  EXPECT_EQ(ParseAnnouncement(changed.data(), kAnnouncementBytes)->compression, 1u);
}

TEST(Announcement, CompressedYv12IsReceivedAsIyuvWithSwapUvAndTheRestAsNamed) {
  struct Case {
    std::uint32_t phone;
    bool compression;
    std::uint32_t pc;
    std::uint32_t swapUV;
  };
  for (const Case& c : {Case{kFourCC_YV12, true, kFourCC_IYUV, 1}, Case{kFourCC_YV12, false, kFourCC_YV12, 0},
                        Case{kFourCC_YUY2, true, kFourCC_YUY2, 0}, Case{kFourCC_I420, false, kFourCC_I420, 0}}) {
    const PcReception r = PcReceptionOf(c.phone, c.compression);
    EXPECT_EQ(r.fourCC, c.pc) << c.phone;
    EXPECT_EQ(r.swapUV, c.swapUV) << c.phone;
  }
}

}  // namespace
}  // namespace orlin::wire
