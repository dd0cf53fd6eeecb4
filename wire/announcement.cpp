#include "wire/announcement.h"

#include "wire/little_endian.h"

namespace orlin::wire {

PcReception PcReceptionOf(std::uint32_t phoneFourCC, bool compression) {
  if (compression && phoneFourCC == kFourCC_YV12) return {kFourCC_IYUV, 1};
  return {phoneFourCC, 0};
}

void WriteAnnouncement(const Announcement& a, std::uint8_t* d) {
  Put32(d, kAnnouncementMagic);
  Put16(d + 4, kAnnouncementVersion);
  Put16(d + 6, 0);
  Put32(d + 8, a.fourCC);
  Put32(d + 12, a.width);
  Put32(d + 16, a.height);
  Put32(d + 20, a.bitsPerPixel);
  Put32(d + 24, a.sampleSize);
  Put32(d + 28, a.compression != 0);
  Put32(d + 32, a.level);
  Put32(d + 36, a.pixelCorrection != 0);
  Put32(d + 40, static_cast<std::uint32_t>(a.frameInterval));
  Put32(d + 44, static_cast<std::uint32_t>(a.frameInterval >> 32));
  Put32(d + 48, a.pcFourCC);
  Put32(d + 52, a.pcSwapUV != 0);
}

std::optional<Announcement> ParseAnnouncement(const std::uint8_t* d, std::int64_t received) {
  if (d == nullptr || received < kAnnouncementBytes || Get32(d) != kAnnouncementMagic ||
      Get16(d + 4) != kAnnouncementVersion) {
    return std::nullopt;
  }
  Announcement a;
  a.fourCC = Get32(d + 8);
  a.width = Get32(d + 12);
  a.height = Get32(d + 16);
  a.bitsPerPixel = Get32(d + 20);
  a.sampleSize = Get32(d + 24);
  a.compression = Get32(d + 28) != 0;
  a.level = Get32(d + 32);
  a.pixelCorrection = Get32(d + 36) != 0;
  a.frameInterval = Get32(d + 40) | std::uint64_t{Get32(d + 44)} << 32;
  a.pcFourCC = Get32(d + 48);
  a.pcSwapUV = Get32(d + 52) != 0;
  return a;
}

}  // namespace orlin::wire
