// The frame decoder. The payload comes off the network: every count and index
// read from it is checked before it is used, and a block that does not parse
// is never written.
//
// A row of blocks is parsed into dequantised coefficients first and then
// rebuilt in one batch (two blocks per SSE2 register, four per AVX2 one). Blocks with only an
// escaped DC level, over half of a camera picture, are recognised whole and
// filled at once instead (dc_only_blocks.h). When a block fails to parse, the
// blocks before it in its row are still rebuilt, so the picture ends exactly
// where the damage begins.
#include <bit>
#include <cstring>

#include "codec/bit_reader.h"
#include "codec/bit_window.h"
#include "codec/block_context.h"
#include "codec/block_codes.h"
#include "codec/block_order.h"
#include "codec/block_transforms.h"
#include "codec/cavlc_tables.h"
#include "codec/code_path.h"
#include "codec/codec.h"
#include "codec/dc_only_blocks.h"
#include "codec/decoder_tables.h"
#include "codec/picture.h"
#include "codec/transform.h"

#ifdef ORLIN_CODEC_BIT_MANIPULATION
// The copy for processors with the bit-manipulation instructions uses SSSE3,
// whatever the build's baseline (32-bit Windows builds have no SSE2 by default).
#include <immintrin.h>
#endif

namespace orlin::codec {
namespace {

// BitReader as ParseBlock reads it: every look-ahead checked against the end
// of the payload.
class CheckedBits {
 public:
  explicit CheckedBits(BitReader& reader) : reader_(reader) {}
  void Refill() {}
  std::uint32_t Peek32() const { return reader_.Peek32(); }
  void Skip(int n) { reader_.Skip(n); }
  std::uint32_t Read(int n) { return reader_.Read(n); }
  int LeadingZeros() const { return std::countl_zero(reader_.Peek32()); }
  // A level_prefix of `zeros` zero bits ends with a 1 inside the payload.
  bool PrefixInside(int zeros) const { return std::uint64_t(zeros) < reader_.BitsLeft(); }

 private:
  BitReader& reader_;
};

// ParseBlock reads from a BitWindow far from the end of the payload and from
// CheckedBits near it. A window refilled at the start of a block holds 56 bits
// or more: enough for coeff_token (16 bits), three signs and one level (28),
// or for total_zeros (9) and every run_before of a block that parses (at most
// 30 bits together). Refilled, it holds two more levels.

// One level of magnitude up to 2063 (escape included) at suffixLength 0, from
// a window that begins with it; false when its prefix is longer than any code
// or (near the end) runs past the payload.
template <class Bits>
inline bool ReadFirstLevel(const Bits& bits, std::uint32_t window, int& level, int& length) {
  const int prefix = std::countl_zero(window);
  const int escape = -int(prefix == 15);
  const int shortEscape = -int(prefix == 14);
  const int suffixBits = (12 & escape) | (4 & shortEscape);
  const auto afterPrefix = static_cast<std::uint32_t>(std::uint64_t{window} << (prefix + 1));
  const int suffix = int(std::uint64_t{afterPrefix} >> (32 - suffixBits));
  const int levelCode = prefix + suffix + (15 & escape);
  const int magnitude = (levelCode >> 1) + 1;
  const int negative = -(levelCode & 1);
  level = (magnitude ^ negative) - negative;
  length = prefix + 1 + suffixBits;
  return prefix <= 15 && bits.PrefixInside(prefix);
}

// The three levels that three sign bits make of trailing ones, lowest
// frequency first: the first bit read (the highest of the three) is the sign
// of the highest-frequency one.
inline constexpr std::int16_t kTrailingOnes[8][3] = {{1, 1, 1},  {-1, 1, 1},  {1, -1, 1},  {-1, -1, 1},
                                            {1, 1, -1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, -1}};

#ifdef ORLIN_CODEC_BIT_MANIPULATION

// Byte shuffles (SSSE3) that put a block's levels in place at once.
struct PlacementShuffles {
  // For 8 scan positions and a mask of those holding levels: lane j takes the
  // next level for a set bit j, zero otherwise.
  std::uint8_t expand[256][16];
  // From two registers of coefficients in scan order (positions 0-7, 8-15)
  // to two in column-major order: toColumnMajor[out][from].
  std::uint8_t toColumnMajor[2][2][16];
};

consteval PlacementShuffles MakePlacementShuffles() {
  PlacementShuffles t{};
  for (int mask = 0; mask < 256; ++mask) {
    int next = 0;
    for (int lane = 0; lane < 8; ++lane) {
      const bool set = (mask >> lane) & 1;
      t.expand[mask][2 * lane] = set ? std::uint8_t(2 * next) : 0x80;
      t.expand[mask][2 * lane + 1] = set ? std::uint8_t(2 * next + 1) : 0x80;
      next += set;
    }
  }
  for (int position = 0; position < 16; ++position) {
    const int index = kScan.columnMajor[position];
    for (int from = 0; from < 2; ++from) {
      const bool here = position / 8 == from;
      t.toColumnMajor[index / 8][from][2 * (index % 8)] = here ? std::uint8_t(2 * (position % 8)) : 0x80;
      t.toColumnMajor[index / 8][from][2 * (index % 8) + 1] = here ? std::uint8_t(2 * (position % 8) + 1) : 0x80;
    }
  }
  return t;
}

inline constexpr PlacementShuffles kPlacement = MakePlacementShuffles();

ORLIN_TARGET_BIT_MANIPULATION inline __m128i Load16(const void* at) {
  return _mm_loadu_si128(static_cast<const __m128i*>(at));
}

// Stores all 16 coefficients of a block: the levels (levels[0] at the lowest
// of `positions`, a mask by scan position) dequantised, zeros elsewhere. The
// placing loop it replaces ran once per level, and its end was as hard to
// predict as the number of levels.
ORLIN_TARGET_BIT_MANIPULATION inline void PlaceLevels(const std::int16_t* levels, unsigned positions,
                                                      std::int16_t coefficients[16]) {
  const unsigned low = positions & 0xFFu, high = positions >> 8;
  const __m128i first = _mm_shuffle_epi8(Load16(levels), Load16(kPlacement.expand[low]));
  const __m128i second =
      _mm_shuffle_epi8(Load16(levels + std::popcount(low)), Load16(kPlacement.expand[high]));
  // The low 16 bits of each product: the wrap of Wrap16.
  const __m128i firstScaled = _mm_mullo_epi16(first, Load16(kScan.dequant));
  const __m128i secondScaled = _mm_mullo_epi16(second, Load16(kScan.dequant + 8));
  for (int out = 0; out < 2; ++out) {
    const __m128i column = _mm_or_si128(_mm_shuffle_epi8(firstScaled, Load16(kPlacement.toColumnMajor[out][0])),
                                        _mm_shuffle_epi8(secondScaled, Load16(kPlacement.toColumnMajor[out][1])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(coefficients + 8 * out), column);
  }
}

#endif  // ORLIN_CODEC_BIT_MANIPULATION

// The rest of a block with one nonzero level, over half the blocks of a camera
// picture: the level (or a trailing one's sign) and total_zeros, which is
// its scan position. Straight-line code: no loop whose length depends on the
// picture.
template <class Bits>
ORLIN_ALWAYS_INLINE bool ParseSingleLevel(Bits& bits, const DecoderTables& tables, int trailingOnes,
                             std::int16_t coefficients[16]) {
  const std::uint32_t window = bits.Peek32();
  int level, length;
  const bool levelOk = ReadFirstLevel(bits, window, level, length);
  if (trailingOnes) {
    level = window >> 31 ? -1 : 1;
    length = 1;
  } else if (!levelOk) {
    return false;
  }
  bits.Skip(length);
  const DecodedCode zeros = tables.totalZeros[0].Find(bits.Peek32());
  if (zeros.length == 0) return false;
  bits.Skip(zeros.length);
  const int position = zeros.symbol;  // at most 15
  coefficients[kScan.columnMajor[position]] = Wrap16(level * kScan.dequant[position]);
  return true;
}

// Reads one block's syntax into dequantised coefficients (column-major).
// `bits` was refilled at the start of the block. kShuffle: in the copy for
// processors with the bit-manipulation instructions (PlaceLevels).
template <bool kShuffle, class Bits>
ORLIN_ALWAYS_INLINE bool ParseBlock(Bits& bits, const DecoderTables& tables, int table, std::int16_t coefficients[16],
                       int& totalCoeff) {
  int trailingOnes;
  if (table == kCoeffTokenTables) {
    const std::uint32_t token = bits.Read(kFixedCoeffTokenBits);
    totalCoeff = token == kFixedCoeffTokenZero ? 0 : int(token / 4) + 1;
    trailingOnes = token == kFixedCoeffTokenZero ? 0 : int(token % 4);
    // Only damaged data names more trailing ones than coefficients.
    if (trailingOnes > totalCoeff) return false;
  } else {
    DecodedCode token = tables.shortToken[table][bits.Peek32() >> (32 - DecoderTables::kShortTokenBits)];
    if (token.length == 0) {
      token = tables.coeffToken[table].Find(bits.Peek32());
      if (token.length == 0) return false;
    }
    bits.Skip(token.length);
    totalCoeff = token.symbol / 4;
    trailingOnes = token.symbol % 4;
  }
  std::memset(coefficients, 0, 16 * sizeof(std::int16_t));
  if (totalCoeff == 0) return true;

  if (totalCoeff == 1) return ParseSingleLevel(bits, tables, trailingOnes, coefficients);

  // levels[0] is the lowest-frequency nonzero level. The trailing ones' signs
  // (highest frequency first) are taken from the next three bits and stored
  // without asking how many there are: slots that turn out not to hold a
  // trailing one lie either below levels[0] or among the levels read next,
  // which overwrite them.
  std::int16_t slots[16 + 3] = {};
  std::int16_t* const levels = slots + 3;
  std::memcpy(&levels[totalCoeff - 3], kTrailingOnes[bits.Peek32() >> 29], sizeof(kTrailingOnes[0]));
  bits.Skip(trailingOnes);

  // The level_prefix lookups of the current suffixLength.
  const LevelPrefix* prefixes = tables.levelPrefix[(totalCoeff > 10 && trailingOnes < 3) ? 1 : 0];
  // Reads levels[i]; false for a level_prefix longer than any code or (near
  // the end) running past the payload.
  const auto readLevel = [&](int i) {
    // level_prefix: zeros up to a 1 that must lie inside the payload. The
    // prefix, its 1 and the longest suffix fit in one 32-bit window.
    const int prefix = bits.LeadingZeros();
    if (prefix > 15 || !bits.PrefixInside(prefix)) return false;
    // One lookup rather than branches: which case a level falls in is as
    // unpredictable as the picture.
    const LevelPrefix code = prefixes[prefix];
    const int levelCode = int(bits.Peek32() >> (32 - code.length)) + code.levelCodeOffset;
    bits.Skip(code.length);
    const int magnitude = (levelCode >> 1) + 1;
    const int negative = -(levelCode & 1);
    levels[i] = static_cast<std::int16_t>((magnitude ^ negative) - negative);
    prefixes += levelCode >= code.growFrom ? 16 : 0;
    return true;
  };
  // The refill at the start of the block leaves room for coeff_token, the
  // signs and one level; each later refill for two levels.
  int i = totalCoeff - trailingOnes - 1;
  if (i >= 0) {
    if (!readLevel(i--)) return false;
    while (i >= 0) {
      bits.Refill();
      if (!readLevel(i--)) return false;
      if (i < 0) break;
      if (!readLevel(i--)) return false;
    }
  }

  bits.Refill();
  if (totalCoeff < 16) {
    const std::uint32_t tail =
        tables.tails[totalCoeff - 2][bits.Peek32() >> (32 - DecoderTables::kTailBits)];
    if (tail != 0) {
      bits.Skip(int(tail >> 16));
#ifdef ORLIN_CODEC_BIT_MANIPULATION
      if constexpr (kShuffle) {
        PlaceLevels(levels, tail & 0xFFFFu, coefficients);
        return true;
      }
#endif
      // The levels in order of scan position, from levels[0] up.
      unsigned positions = tail & 0xFFFFu;
      for (i = 0; i < totalCoeff; ++i) {
        const int position = std::countr_zero(positions);
        positions &= positions - 1;
        coefficients[kScan.columnMajor[position]] = Wrap16(levels[i] * kScan.dequant[position]);
      }
      return true;
    }
  }
  int zerosLeft = 0;
  if (totalCoeff < 16) {
    const DecodedCode zeros = tables.totalZeros[totalCoeff - 1].Find(bits.Peek32());
    if (zeros.length == 0) return false;
    bits.Skip(zeros.length);
    zerosLeft = zeros.symbol;
  }
  // The levels are placed from the highest one down: its scan position is
  // fixed by the counts, each run_before then steps to the next one.
  int position = totalCoeff - 1 + zerosLeft;
  if (position > 15) return false;  // the tables never allow it; keep the write in bounds
  i = totalCoeff - 1;
  coefficients[kScan.columnMajor[position]] = Wrap16(levels[i] * kScan.dequant[position]);
  while (i > 0) {
    // Once no zeros are left, the lookup for zerosLeft 0 reads nothing and
    // gives run 0: no branch on whether a code follows.
    const DecodedCode code = tables.runBeforeByZeros[zerosLeft]->Find(bits.Peek32());
    bits.Skip(code.length);
    const int run = code.symbol;
    zerosLeft -= run;
    if (zerosLeft < 0) return false;  // a run too long, or bits that are no code (kNoRunCode)
    position -= run + 1;
    --i;
    coefficients[kScan.columnMajor[position]] = Wrap16(levels[i] * kScan.dequant[position]);
  }
  return true;
}

// A block in the last stretch of the payload, read with every look-ahead
// checked. Out of line: rare, and kept out of the register allocation of the
// loop that reads every other block.
[[gnu::noinline]] bool ParseBlockNearEnd(BitReader& reader, const DecoderTables& tables, int table,
                                         std::int16_t coefficients[16], int& totalCoeff) {
  CheckedBits checked(reader);
  return ParseBlock<false>(checked, tables, table, coefficients, totalCoeff);
}

// Stores a block whose 16 samples are all `sample`.
inline void FillBlock(std::uint8_t* at, int stride, std::uint8_t sample) {
  const std::uint32_t row = sample * 0x01010101u;
  // Written out: the compiler keeps a loop here.
  std::memcpy(at, &row, 4);
  std::memcpy(at + stride, &row, 4);
  std::memcpy(at + 2 * stride, &row, 4);
  std::memcpy(at + 3 * stride, &row, 4);
}

class FrameDecoder {
 public:
  FrameDecoder(const std::uint8_t* payload, std::size_t length)
      : payload_(payload), end_(payload + length), reader_(payload, length), tables_(GetDecoderTables()) {}

  int DecodeVariable(std::uint8_t* destination, int width, int height) {
    const CodePath path = ActiveCodePath();
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      if (!DecodePlane(destination + plane.offset, plane, path)) return kPlaneFailed0 - p;
    }
    return kCodecOk;
  }

  // Payload bytes read so far, the last partly read byte included.
  std::uint64_t BytesRead() const { return (reader_.Position() + 7) / 8; }

 private:
  bool DecodePlane(std::uint8_t* samples, const PlaneGeometry& plane, CodePath path) {
#ifdef ORLIN_CODEC_BIT_MANIPULATION
    if (path == CodePath::kBitManipulation) return DecodePlaneBitManipulation(samples, plane);
#endif
    (void)path;
    return DecodePlaneBody<false>(samples, plane);
  }

#ifdef ORLIN_CODEC_BIT_MANIPULATION
  ORLIN_TARGET_BIT_MANIPULATION bool DecodePlaneBitManipulation(std::uint8_t* samples, const PlaneGeometry& plane) {
    return DecodePlaneBody<true>(samples, plane);
  }
#endif

  template <bool kShuffle>
  ORLIN_ALWAYS_INLINE bool DecodePlaneBody(std::uint8_t* samples, const PlaneGeometry& plane) {
    const int columns = plane.BlockColumns();
    BitReader reader = reader_;
    // Far from the end of the payload the blocks are read through a window
    // held in registers; the rest of the payload through the checked reader.
    bool far = reader.FarFromEnd(BitWindow::kBlockReach);
    BitWindow window;
    if (far) window.Seek(payload_, reader.Position());
    bool ok = true;
    for (int by = 0; by < plane.BlockRows() && ok; ++by) {
      std::uint8_t* row = samples + std::size_t(by) * 4 * std::size_t(plane.width);
      int left = kNoNeighbour;
      int parsed = 0;
      int pending = 0;  // blocks parsed into coefficients_, to be transformed
      for (; parsed < columns; ++parsed) {
        const int above = by == 0 ? kNoNeighbour : count_row_[parsed];
        int totalCoeff = 0;
        const int table = kTokenTableOfNc[PredictCount(left, above)];
        if (far && !window.FarFromEnd(end_)) {
          far = false;
          reader.Seek(window.Position(payload_));
        }
        bool parsedOk;
        if (far) {
          window.Refill();
          const std::uint64_t bits = window.Peek64();
          if (tables_.dcOnly.Matches(bits, table)) {
            const DcOnlyBlocks::Pattern& pattern = tables_.dcOnly.PatternOf(table);
            FillBlock(row + 4 * parsed, plane.width, tables_.dcOnly.Sample(std::uint32_t(bits >> pattern.suffixShift)));
            window.Skip(pattern.length);
            left = count_row_[parsed] = 1;
            continue;
          }
          parsedOk = ParseBlock<kShuffle>(window, tables_, table, coefficients_[pending], totalCoeff);
        } else {
          parsedOk = ParseBlockNearEnd(reader, tables_, table, coefficients_[pending], totalCoeff);
        }
        if (!parsedOk) {
          ok = false;
          break;
        }
        columns_[pending++] = static_cast<std::uint16_t>(parsed);
        left = totalCoeff;
        count_row_[parsed] = static_cast<std::uint8_t>(totalCoeff);
      }
      ReconstructBlocksAt(coefficients_, columns_, pending, row, plane.width);
    }
    if (far) reader.Seek(window.Position(payload_));
    reader_ = reader;
    return ok;
  }

  const std::uint8_t* payload_;
  const std::uint8_t* end_;
  BitReader reader_;
  const DecoderTables& tables_;
  std::uint8_t count_row_[kMaxBlockColumns];
  std::int16_t coefficients_[kMaxBlockColumns][16];  // blocks of the row that need the transform
  std::uint16_t columns_[kMaxBlockColumns];           // and their block columns
};

// Fixed-size mode: six signed levels per block at scan positions 0 to 5.
void DecodeFixed(const std::uint8_t* payload, std::uint8_t* destination, int width, int height) {
  std::int16_t coefficients[kMaxBlockColumns][16];
  for (int p = 0; p < kPlaneCount; ++p) {
    const PlaneGeometry plane = Plane(p, width, height);
    const int columns = plane.BlockColumns();
    for (int by = 0; by < plane.BlockRows(); ++by) {
      for (int bx = 0; bx < columns; ++bx) {
        std::int16_t* c = coefficients[bx];
        std::memset(c, 0, 16 * sizeof(std::int16_t));
        for (int i = 0; i < 6; ++i) {
          c[kScan.columnMajor[i]] = Wrap16(static_cast<std::int8_t>(payload[i]) * kScan.dequant[i]);
        }
        payload += 6;
      }
      ReconstructBlocks(coefficients, columns, destination + plane.offset + std::size_t(by) * 4 * std::size_t(plane.width),
                        plane.width);
    }
  }
}

}  // namespace

void InitDecoderTables() { GetDecoderTables(); }

int DecompressFrame(const std::uint8_t* payload, std::int32_t length, int fixedSize,
                    std::uint8_t* destination, int width, int height, std::int32_t* consumed) {
  if (!PictureFits(width, height)) return kPictureRefused;
  if (fixedSize) {
    DecodeFixed(payload, destination, width, height);
    if (consumed != nullptr) *consumed = std::int32_t(FixedSizePayloadBytes(width, height));
    return kCodecOk;
  }
  FrameDecoder decoder(payload, length > 0 ? std::size_t(length) : 0);
  const int result = decoder.DecodeVariable(destination, width, height);
  if (consumed != nullptr && result == kCodecOk) {
    // Past the payload's end only by bits a look-ahead read as zeros: capped so
    // that the count stays a 32-bit number.
    const std::uint64_t bytes = decoder.BytesRead();
    *consumed = bytes > 0x7FFFFFFF ? 0x7FFFFFFF : std::int32_t(bytes);
  }
  return result;
}

}  // namespace orlin::codec
