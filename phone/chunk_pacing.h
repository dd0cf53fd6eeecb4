// Pacing a raw frame's chunks. By default they go out back to back, as the
// stream always has; a receiver whose socket buffer cannot hold a whole frame
// (Linux caps it at net.core.rmem_max) then loses the end of every burst.
// Spread over part of the frame interval, each chunk is read before the buffer
// fills. The datagrams stay the same: only when they leave changes.
#pragma once

#include <chrono>
#include <cstdint>

namespace orlin::phone {

// When chunk `index` (0 for the first) of `count` leaves, after the first:
// evenly spaced, the last one `spread` x (count - 1) / count after it.
inline std::chrono::microseconds ChunkDelay(std::int32_t index, std::int32_t count,
                                            std::chrono::microseconds spread) {
  if (count <= 1 || index <= 0 || spread.count() <= 0) return std::chrono::microseconds(0);
  return spread * index / count;
}

}  // namespace orlin::phone
