#include "settings/stream_form.h"

#include <gtest/gtest.h>

#include "wire/four_cc.h"

namespace orlin::settings {
namespace {

VideoFormatSettings Raw(std::uint32_t w, std::uint32_t h, std::uint32_t bits) {
  return {wire::kFourCC_YV12, w, h, bits, 0, 0, 0};
}
VideoFormatSettings Compressed(std::uint32_t w, std::uint32_t h) {
  return {wire::kFourCC_IYUV, w, h, 12, 1, 0, 1};
}

// Raw frames beyond the countdown always go in pieces; compressed payloads
// beyond one datagram at level 3 always, at levels 0 to 2 when the buffer
// allows one, and for a level not known when any level may.
TEST(LargeFrames, FollowTheStreamsLimitsAtTheirEdges) {
  using enum LargeFrames;
  struct Case {
    VideoFormatSettings settings;
    int level;
    LargeFrames expected;
  };
  const Case cases[] = {
      {Raw(778, 842, 12), kAnyLevel, kNever},   // 982,614 bytes: 15 chunks of at most 65,507
      {Raw(1024, 960, 8), kAnyLevel, kAlways},  // 983,040 bytes: 16 chunks
      {Raw(975, 1008, 8), kAnyLevel, kAlways},  // 982,800: 15 units, each too long for a datagram
      {Raw(1, 1, 4), kAnyLevel, kNever},        // no sample at all
      {Compressed(848, 102), kAnyLevel, kNever},  // largest payload 64,868
      {Compressed(848, 103), 2, kMay},            // 65,504: one byte past a datagram
      {Compressed(848, 103), kAnyLevel, kMay},
      {Compressed(352, 288), 3, kNever},          // fixed size 57,024
      {Compressed(136, 856), 3, kNever},          // fixed size 65,484
      {Compressed(280, 416), 3, kAlways},         // fixed size 65,520
      {Compressed(280, 416), 7, kAlways},         // levels above 3 are 3
      {Compressed(640, 480), kAnyLevel, kMay},
      {Compressed(1920, 1080), 0, kMay},
      // Not compressed after all: Compression off, another FourCC, too wide for the codec.
      {{wire::kFourCC_IYUV, 1280, 720, 12, 0, 0, 0}, kAnyLevel, kAlways},
      {{wire::kFourCC_I420, 1280, 720, 12, 1, 0, 0}, kAnyLevel, kAlways},
      {{wire::kFourCC_I420, 640, 480, 12, 1, 0, 0}, kAnyLevel, kNever},
      {Compressed(2560, 1440), 0, kAlways},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LargeFramesOf(c.settings, c.level), c.expected)
        << c.settings.Width << " x " << c.settings.Height << " at " << c.settings.BitsPerPixel
        << ", compression " << c.settings.Compression << ", level " << c.level;
  }
}

}  // namespace
}  // namespace orlin::settings
