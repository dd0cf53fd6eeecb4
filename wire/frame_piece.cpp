#include "wire/frame_piece.h"

#include <algorithm>

#include "wire/little_endian.h"

namespace orlin::wire {

std::int64_t PieceCountOf(std::int64_t frameBytes) {
  if (frameBytes <= 0) return 0;
  const std::int64_t count = (frameBytes + kPiecePayloadBytes - 1) / kPiecePayloadBytes;
  return count <= kMaxPieceCount ? count : 0;
}

std::int32_t PieceBytes(std::int64_t frameBytes, std::int64_t index) {
  if (index < 0 || index >= PieceCountOf(frameBytes)) return 0;
  return static_cast<std::int32_t>(std::min<std::int64_t>(kPiecePayloadBytes, frameBytes - PieceOffset(index)));
}

void WritePieceHeader(const PieceHeader& h, std::uint8_t* d) {
  Put32(d, kPieceMagic);
  Put16(d + 4, kPieceVersion);
  d[6] = static_cast<std::uint8_t>(h.kind);
  d[7] = h.level;
  Put32(d + 8, h.serial);
  Put16(d + 12, h.index);
  Put16(d + 14, h.count);
  Put32(d + 16, h.frameBytes);
}

std::optional<PieceHeader> ParsePieceHeader(const std::uint8_t* d, std::int64_t available) {
  if (d == nullptr || available < kPieceHeaderBytes || Get32(d) != kPieceMagic || Get16(d + 4) != kPieceVersion) {
    return std::nullopt;
  }
  PieceHeader h;
  if (d[6] < static_cast<std::uint8_t>(PieceKind::kRaw) ||
      d[6] > static_cast<std::uint8_t>(PieceKind::kCompressedFixedSize)) {
    return std::nullopt;
  }
  h.kind = static_cast<PieceKind>(d[6]);
  h.level = d[7];
  h.serial = Get32(d + 8);
  h.index = static_cast<std::uint16_t>(Get16(d + 12));
  h.count = static_cast<std::uint16_t>(Get16(d + 14));
  h.frameBytes = Get32(d + 16);
  if (h.count == 0 || h.count != PieceCountOf(h.frameBytes) || h.index >= h.count) return std::nullopt;
  return h;
}

}  // namespace orlin::wire
