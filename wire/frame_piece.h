// A large frame on the wire: a frame that does not fit the stream's other
// forms (a compressed payload longer than one datagram, a raw frame of more
// chunks than the countdown can count) goes out as pieces, each one datagram
// with a header of its own, so that the PC can put every piece in its place
// whatever order they come in and never join pieces of two frames.
//
// Layout, every field little-endian, kPieceHeaderBytes of header:
//   0  magic "ORLF"          4  version (16 bits)     6  kind (8 bits)   7  level (8 bits)
//   8  frame serial         12  piece index (16 bits) 14 piece count (16 bits)
//  16  frame bytes, all pieces together
//  20  the piece's bytes: bytes [index x kPiecePayloadBytes, ...) of the frame
// Every piece but the last carries kPiecePayloadBytes; the last the rest.
// The first byte, 'O', is never the compressed datagram's first marker.
#pragma once

#include <cstdint>
#include <optional>

#include "wire/four_cc.h"
#include "wire/stream.h"

namespace orlin::wire {

inline constexpr std::uint32_t kPieceMagic = MakeFourCC('O', 'R', 'L', 'F');
inline constexpr std::uint16_t kPieceVersion = 1;
inline constexpr std::int32_t kPieceHeaderBytes = 20;
// Frame bytes in every piece but the last: a piece is one whole datagram.
inline constexpr std::int32_t kPiecePayloadBytes = kMaxUdpPayloadBytes - kPieceHeaderBytes;
// The most pieces a phone sends back to back; it paces the rest of a frame's
// pieces, so that a receive buffer of a few pieces keeps up.
inline constexpr std::int32_t kMaxPieceBurst = 2;
// The most pieces a frame can have: the index and count are 16 bits.
inline constexpr std::int64_t kMaxPieceCount = 0xFFFF;

// What the frame's bytes are.
enum class PieceKind : std::uint8_t {
  kRaw = 1,                  // the camera's frame, byte for byte (after PixelCorrection)
  kCompressed = 2,           // the codec's payload, variable-length mode (levels 0 to 2)
  kCompressedFixedSize = 3,  // the codec's payload, fixed-size mode (level 3)
};

struct PieceHeader {
  PieceKind kind = PieceKind::kRaw;
  std::uint8_t level = 0;   // the reduction level of a compressed frame; 0 for raw
  std::uint32_t serial = 0;  // one per frame, counting up from any start; wraps
  std::uint16_t index = 0;   // 0 for the first piece
  std::uint16_t count = 0;
  std::uint32_t frameBytes = 0;
  bool operator==(const PieceHeader&) const = default;
};

// Pieces a frame of `frameBytes` takes; 0 when it has no bytes or needs more
// than kMaxPieceCount.
std::int64_t PieceCountOf(std::int64_t frameBytes);

// Where the piece `index` of a frame of `frameBytes` begins in the frame, and
// how many of its bytes it carries (0 for an index past the last piece).
inline std::int64_t PieceOffset(std::int64_t index) { return index * kPiecePayloadBytes; }
std::int32_t PieceBytes(std::int64_t frameBytes, std::int64_t index);

// Writes kPieceHeaderBytes bytes.
void WritePieceHeader(const PieceHeader& header, std::uint8_t* datagram);

// The header the first `available` bytes of a datagram carry, or nothing when
// they are not a whole header of this version, or when it is not consistent:
// an unknown kind, a count that is not PieceCountOf(frameBytes), an index past
// the last piece. The datagram's length is the receiver's to check against
// kPieceHeaderBytes + PieceBytes(frameBytes, index).
std::optional<PieceHeader> ParsePieceHeader(const std::uint8_t* datagram, std::int64_t available);

}  // namespace orlin::wire
