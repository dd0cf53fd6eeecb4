// The format announcement: a small datagram the phone sends beside its stream,
// to the announcement port of the same destination, about once a second and at
// once after any change. It names the phone's format and the PC settings that
// receive it, so that the PC can set itself up without the user copying
// numbers by hand. It is additive: nothing on the stream port depends on it,
// and a PC that does not listen loses nothing.
//
// Layout, every field little-endian, kAnnouncementBytes in all:
//   0  magic "ORLA"            4  version (16 bits)       6  reserved, 0 (16 bits)
//   8  phone FourCC           12  width                  16  height
//  20  bits per pixel         24  sample size            28  compression in force (0/1)
//  32  reduction level        36  PixelCorrection (0/1)  40  frame interval, 100 ns (64 bits)
//  48  PC FourCC              52  PC SwapUV (0/1)
// A receiver takes a datagram of at least kAnnouncementBytes with the magic
// and this version; bytes past the last field are left for later versions.
#pragma once

#include <cstdint>
#include <optional>

#include "wire/four_cc.h"

namespace orlin::wire {

// UDP port the announcement goes to, on the stream's destination.
inline constexpr std::uint16_t kAnnouncementPort = 4445;
inline constexpr std::uint32_t kAnnouncementMagic = MakeFourCC('O', 'R', 'L', 'A');
inline constexpr std::uint16_t kAnnouncementVersion = 1;
inline constexpr std::int32_t kAnnouncementBytes = 56;

struct Announcement {
  std::uint32_t fourCC = 0;  // the camera's format, as the phone sends it
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t sampleSize = 0;       // bytes of one camera frame
  std::uint32_t compression = 0;      // 1: compressed frames go out
  std::uint32_t level = 0;            // the codec's reduction level
  std::uint32_t pixelCorrection = 0;  // 1: the phone exchanges bytes before sending
  std::uint64_t frameInterval = 0;    // 100 ns units; 0 when the camera did not say
  // What the PC sets to receive it; its other settings equal the fields above.
  std::uint32_t pcFourCC = 0;
  std::uint32_t pcSwapUV = 0;
  bool operator==(const Announcement&) const = default;
};

// The PC FourCC and SwapUV that receive a phone format: compressed YV12 is
// decoded in the phone's plane order, so the PC takes it as IYUV with SwapUV;
// anything else is taken as the phone names it.
struct PcReception {
  std::uint32_t fourCC;
  std::uint32_t swapUV;
};
PcReception PcReceptionOf(std::uint32_t phoneFourCC, bool compression);

// Writes kAnnouncementBytes bytes.
void WriteAnnouncement(const Announcement& announcement, std::uint8_t* datagram);

// The announcement a received datagram of `received` bytes carries, or nothing
// when it is not one of this version. Flags are taken as 0 or 1 (non-zero is 1).
std::optional<Announcement> ParseAnnouncement(const std::uint8_t* datagram, std::int64_t received);

}  // namespace orlin::wire
