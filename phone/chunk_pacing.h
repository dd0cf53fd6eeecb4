// Pacing a frame's datagrams. The datagrams stay the same: only when they
// leave changes.
//
// Raw chunks: by default they go out back to back, as the stream always has; a
// receiver whose socket buffer cannot hold a whole frame (Linux caps it at
// net.core.rmem_max) then loses the end of every burst. Spread over part of
// the frame interval, each chunk is read before the buffer fills.
//
// Pieces of a large frame (frame_piece.h): paced by default. A 1080p raw frame
// is 48 pieces, 3.1 MB, fifteen times what a stock Linux receive buffer holds
// (212,992 bytes): back to back, the PC keeps only the first few. A short burst
// goes out at once, then one piece every gap, so the PC reads each piece
// before the next arrives; a frame of many pieces is squeezed into a spread
// that leaves room for the next frame. A sender that wakes late catches up at
// half the gap (FrameSender::SendPieces).
#pragma once

#include <chrono>
#include <cstdint>

#include "wire/frame_piece.h"

namespace orlin::phone {

// When chunk `index` (0 for the first) of `count` leaves, after the first:
// evenly spaced, the last one `spread` x (count - 1) / count after it.
inline std::chrono::microseconds ChunkDelay(std::int32_t index, std::int32_t count,
                                            std::chrono::microseconds spread) {
  if (count <= 1 || index <= 0 || spread.count() <= 0) return std::chrono::microseconds(0);
  return spread * index / count;
}

struct PiecePacing {
  std::int32_t burst = 0;              // pieces that leave at once
  std::chrono::microseconds gap{0};    // then one piece every gap; 0: back to back
  std::chrono::microseconds spread{0};  // the most the last piece may leave after the first
  bool operator==(const PiecePacing&) const = default;
};

// Measured (docs/performance.md, "Pacing large frames").
inline constexpr PiecePacing kDefaultPiecePacing{wire::kMaxPieceBurst, std::chrono::microseconds(300),
                                                 std::chrono::microseconds(25000)};

// When piece `index` (0 for the first) of `count` leaves, after the first: the
// first `burst` at once, then one every gap, the gap shortened where the last
// would leave more than `spread` after the first.
inline std::chrono::microseconds PieceDelay(std::int64_t index, std::int64_t count,
                                            const PiecePacing& pacing) {
  const std::int64_t burst = pacing.burst > 1 ? pacing.burst : 1;
  if (index < burst || pacing.gap.count() <= 0) return std::chrono::microseconds(0);
  const std::int64_t gaps = count - burst;  // > 0: index < count
  std::chrono::microseconds gap = pacing.gap;
  if (pacing.spread.count() > 0 && gap * gaps > pacing.spread) gap = pacing.spread / gaps;
  return gap * (index - burst + 1);
}

}  // namespace orlin::phone
