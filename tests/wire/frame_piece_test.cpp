// The pieces of a large frame: where each piece's bytes go, and the header
// both ends build and check.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "wire/compressed_datagram.h"
#include "wire/frame_piece.h"

namespace orlin::wire {
namespace {

TEST(FramePiece, PiecesCoverTheFrameExactlyOnce) {
  struct Case {
    std::int64_t frameBytes, count, lastBytes;
  };
  for (const Case c : {Case{1, 1, 1}, Case{kPiecePayloadBytes, 1, kPiecePayloadBytes},
                       Case{kPiecePayloadBytes + 1, 2, 1}, Case{1382400, 22, 1382400 - 21 * kPiecePayloadBytes},
                       Case{3110400, 48, 3110400 - 47 * kPiecePayloadBytes},  // 1920 x 1080 I420
                       Case{kMaxPieceCount * kPiecePayloadBytes, kMaxPieceCount, kPiecePayloadBytes},
                       Case{kMaxPieceCount * kPiecePayloadBytes + 1, 0, 0}, Case{0, 0, 0}}) {
    EXPECT_EQ(PieceCountOf(c.frameBytes), c.count) << c.frameBytes;
    if (c.count == 0) continue;
    EXPECT_EQ(PieceBytes(c.frameBytes, c.count - 1), c.lastBytes) << c.frameBytes;
    EXPECT_EQ(PieceOffset(c.count - 1) + c.lastBytes, c.frameBytes);
    EXPECT_EQ(PieceBytes(c.frameBytes, c.count), 0);
    EXPECT_LE(kPieceHeaderBytes + PieceBytes(c.frameBytes, 0), kMaxUdpPayloadBytes);
  }
}

TEST(FramePiece, HeaderReadsBackAndIsNeverACompressedDatagram) {
  const PieceHeader header{PieceKind::kCompressedFixedSize, 3, 0xFEDCBA98u, 47, 48, 3110400};
  std::uint8_t datagram[kPieceHeaderBytes];
  WritePieceHeader(header, datagram);
  EXPECT_EQ(ParsePieceHeader(datagram, sizeof datagram), header);
  EXPECT_EQ(datagram[0], 'O');
  EXPECT_EQ(datagram[8], 0x98);  // little-endian
  EXPECT_FALSE(ParseCompressedHeader(datagram, sizeof datagram));
}

// Anything that would place bytes outside the frame, or is not this version's,
// is not a piece.
TEST(FramePiece, InconsistentHeadersAreRefused) {
  struct Case {
    const char* what;
    int offset;
    std::uint8_t value;
  };
  for (const Case c : {Case{"magic", 0, 'X'}, Case{"version", 4, 2}, Case{"kind 0", 6, 0}, Case{"kind 4", 6, 4},
                       Case{"index at count", 12, 3}, Case{"count too small", 14, 2},
                       Case{"count too large", 14, 4}, Case{"no bytes", 16, 0}}) {
    std::uint8_t datagram[kPieceHeaderBytes];
    WritePieceHeader({PieceKind::kRaw, 0, 7, 1, 3, 3 * kPiecePayloadBytes - 5}, datagram);
    ASSERT_TRUE(ParsePieceHeader(datagram, sizeof datagram));
    datagram[c.offset] = c.value;
    if (c.offset == 16) std::memset(datagram + 16, 0, 4);
    EXPECT_FALSE(ParsePieceHeader(datagram, sizeof datagram)) << c.what;
  }
  std::uint8_t datagram[kPieceHeaderBytes];
  WritePieceHeader({PieceKind::kRaw, 0, 7, 0, 1, 100}, datagram);
  EXPECT_FALSE(ParsePieceHeader(datagram, kPieceHeaderBytes - 1));
  EXPECT_FALSE(ParsePieceHeader(nullptr, kPieceHeaderBytes));
}

}  // namespace
}  // namespace orlin::wire
