// The compressed frame format: one planar 4:2:0 picture coded with the 4x4
// integer transform and CAVLC code tables, no prediction, no header.
//
// Plane layout shared by encoder source and decoder destination (W x H picture):
//   plane 0: W x H samples, stride W, offset 0                     (Y)
//   plane 1: (W/2) x (H/2), stride W/2, offset W*H                 (V for YV12)
//   plane 2: (W/2) x (H/2), stride W/2, offset W*H + (W*H)/4       (U for YV12)
// Only samples that belong to whole 4x4 blocks are coded; the rightmost W mod 4
// columns and bottom H mod 4 rows of a plane are neither read nor written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlin::codec {

// Both ends keep one context byte per block column of a plane.
inline constexpr int kMaxBlockColumns = 512;
// Highest reduction level; level 3 selects the fixed-size mode.
inline constexpr int kMaxReductionLevel = 3;
// Smallest free space at which the encoder still begins a block.
inline constexpr int kBlockMargin = 82;

// Results of CompressFrame and DecompressFrame.
inline constexpr int kCodecOk = 0;
// -1, -2, -3: the encoder reached its output margin, or the decoder found
// damaged data, in plane 0, 1 or 2.
inline constexpr int kPlaneFailed0 = -1;
// Width or height negative, or plane 0 wider than kMaxBlockColumns blocks:
// nothing is read or written.
inline constexpr int kPictureRefused = -4;

// True when a W x H picture can be coded (and decoded) at all.
bool PictureFits(int width, int height);

// Bytes of the whole W x H planar 4:2:0 picture: W*H + 2*((W*H)/4).
std::size_t PictureBytes(int width, int height);

// Number of 4x4 blocks in the three planes of a W x H picture.
std::size_t BlockCount(int width, int height);

// Payload bytes of the fixed-size mode (reduction level 3): 6 per block.
std::size_t FixedSizePayloadBytes(int width, int height);

// Encodes one picture. `length` holds the output capacity on entry and the
// number of bytes written on return. Result: kCodecOk; -1/-2/-3 when the output
// margin was reached in that plane (the bytes written are still a valid prefix
// of whole blocks); kPictureRefused for a picture that does not fit.
// Levels 0-2 use the variable-length mode, level 3 the fixed-size mode; any
// other level (negative ones included) codes nothing and returns kCodecOk with
// length 0. In the fixed-size mode a capacity below FixedSizePayloadBytes codes
// nothing and returns -1 with length 0.
// No allocation, no shared state: concurrent calls are safe.
int CompressFrame(const std::uint8_t* source, int width, int height, int level,
                  std::uint8_t* output, std::int32_t* length);

// Builds the decoder's lookups. Idempotent and thread-safe; DecompressFrame
// builds them itself on first use, so calling this is only ever a warm-up.
void InitDecoderTables();

// Decodes one payload into `destination` (PictureBytes(width, height) bytes).
// Variable-length mode: reads the `length` payload bytes and, for a payload cut
// short, at most the two bytes after them (the caller must keep them readable).
// Fixed-size mode (`fixedSize` non-zero): reads FixedSizePayloadBytes bytes,
// whatever `length` says. Writes only samples that belong to blocks; on damaged
// data the failing block and everything after it stay untouched.
// Result: kCodecOk, -1/-2/-3 for a parse failure in that plane, or
// kPictureRefused. With kCodecOk, `consumed` (when given) receives the payload
// bytes the picture took, its last partly used byte included: a payload of
// another picture size decodes to fewer or more bytes than it carries.
int DecompressFrame(const std::uint8_t* payload, std::int32_t length, int fixedSize,
                    std::uint8_t* destination, int width, int height,
                    std::int32_t* consumed = nullptr);

}  // namespace orlin::codec
