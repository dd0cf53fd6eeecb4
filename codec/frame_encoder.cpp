// The frame encoder: 4x4 forward transform of the samples themselves, the
// fixed quantiser, and CAVLC coding of the kept coefficients.
//
// Each row of blocks is transformed and quantised in one batch (two blocks
// per SSE2 register), leaving for every block its levels and masks of its
// nonzero and +-1 levels by scan position. The entropy coder then walks only
// the set bits of those masks, so a block costs in proportion to its nonzero
// levels, and a reduction level is one mask of the kept positions.
#include <bit>

#include "codec/bit_writer.h"
#include "codec/block_codes.h"
#include "codec/block_context.h"
#include "codec/block_order.h"
#include "codec/block_transforms.h"
#include "codec/cavlc_tables.h"
#include "codec/code_path.h"
#include "codec/codec.h"
#include "codec/level_codes.h"
#include "codec/picture.h"

namespace orlin::codec {
namespace {

inline int HighestBit(unsigned mask) { return 31 - std::countl_zero(mask); }

// Codes one quantised block whose nonzero levels are `nonzero` (scan order,
// already limited to the kept positions) with coeff_token table `table`
// (kTokenTableOfNc). Returns its TotalCoeff.
ORLIN_ALWAYS_INLINE int CodeBlock(BitWriter& writer, const BlockCodes& codes, const QuantisedBlock& block, unsigned nonzero,
                     int table) {
  if (nonzero <= 1) {
    // No level or only the DC level: one code, looked up whole.
    const unsigned index = unsigned(block.levels[0] - kLevelTableMin);
    if (index < unsigned(kLevelTableSize)) {
      const std::uint64_t code = codes.dcOnly[table][index];
      writer.Put(code >> 8, int(code & 0xFF));
      return int(nonzero);
    }
  }
  const LevelLayout layout = codes.layouts[nonzero];
  const int count = layout.count;

  // Trailing ones: up to three +-1 levels at the top of the block, highest
  // frequency first, with their sign bits. The three highest levels come with
  // the layout; a missing one sits at position 16, where every mask is 0.
  const unsigned first = layout.highest & 31u, second = (layout.highest >> 5) & 31u, third = layout.highest >> 10;
  const unsigned one1 = (block.ones >> first) & 1u;
  const unsigned one2 = one1 & (block.ones >> second) & 1u;
  const unsigned one3 = one2 & (block.ones >> third) & 1u;
  const int trailingOnes = int(one1 + one2 + one3);
  const unsigned signs = ((((block.negative >> first) & 1u) << 2) | (((block.negative >> second) & 1u) << 1) |
                          ((block.negative >> third) & 1u)) >>
                         (3 - trailingOnes);
  unsigned rest = nonzero & ~((one1 << first) | (one2 << second) | (one3 << third));

  // coeff_token and the sign bits as one code (at most 19 bits), left for
  // the next Put to store: the first level's code (at most 28 bits) or the
  // closing total_zeros and runs (at most 30).
  const Vlc token = codes.coeffToken[table][count][trailingOnes];
  writer.Append((std::uint32_t(token.value) << trailingOnes) | signs, token.length + trailingOnes);

  int suffixLength = (count > 10 && trailingOnes < 3) ? 1 : 0;
  while (rest != 0) {
    const int top = HighestBit(rest);
    rest &= ~(1u << top);
    const LevelCode code = FindLevelCode(block.levels[kScan.columnMajor[top]], suffixLength);
    writer.Put(code.bits, code.length);
    suffixLength = code.nextSuffixLength;
  }

  writer.Put(layout.zerosAndRuns, layout.zerosAndRunsLength);
  return count;
}

// One frame's working state. Lives on the caller's stack: encoders running on
// several threads share nothing.
class FrameEncoder {
 public:
  FrameEncoder(std::uint8_t* output, std::int32_t capacity)
      : writer_(output, staging_),
        codes_(GetBlockCodes()),
        output_(output),
        limit_(std::ptrdiff_t{capacity} - kBlockMargin) {}

  // Variable-length mode, levels 0 to 2. Returns the plane's result code.
  int EncodeVariable(const std::uint8_t* source, int width, int height, int level) {
    const unsigned kept = (1u << kKeptCoefficients[level]) - 1;
    const CodePath path = ActiveCodePath();
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      if (!EncodePlane(source + plane.offset, plane, kept, path)) return kPlaneFailed0 - p;
    }
    return kCodecOk;
  }

  std::size_t FinishVariable() { return writer_.Finish(); }

  // Fixed-size mode: six signed bytes per block, no entropy coding.
  std::size_t EncodeFixed(const std::uint8_t* source, int width, int height) {
    std::uint8_t* out = output_;
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      const int columns = plane.BlockColumns();
      for (int by = 0; by < plane.BlockRows(); ++by) {
        QuantiseBlocks(source + plane.offset + std::size_t(by) * 4 * std::size_t(plane.width), plane.width, columns,
                       blocks_);
        for (int bx = 0; bx < columns; ++bx) {
          for (int i = 0; i < 6; ++i) out[i] = static_cast<std::uint8_t>(blocks_[bx].levels[kScan.columnMajor[i]]);
          out += 6;
        }
      }
    }
    return static_cast<std::size_t>(out - output_);
  }

 private:
  bool EncodePlane(const std::uint8_t* samples, const PlaneGeometry& plane, unsigned kept, CodePath path) {
#ifdef ORLIN_CODEC_BIT_MANIPULATION
    if (path == CodePath::kBitManipulation) return EncodePlaneBitManipulation(samples, plane, kept);
#endif
    (void)path;
    return EncodePlaneBody(samples, plane, kept);
  }

#ifdef ORLIN_CODEC_BIT_MANIPULATION
  ORLIN_TARGET_BIT_MANIPULATION bool EncodePlaneBitManipulation(const std::uint8_t* samples,
                                                                const PlaneGeometry& plane, unsigned kept) {
    return EncodePlaneBody(samples, plane, kept);
  }
#endif

  ORLIN_ALWAYS_INLINE bool EncodePlaneBody(const std::uint8_t* samples, const PlaneGeometry& plane, unsigned kept) {
    const int columns = plane.BlockColumns();
    BitWriter writer = writer_;  // in registers for the whole plane
    bool ok = true;
    for (int by = 0; by < plane.BlockRows() && ok; ++by) {
      QuantiseBlocks(samples + std::size_t(by) * 4 * std::size_t(plane.width), plane.width, columns, blocks_);
      int left = kNoNeighbour;
      for (int bx = 0; bx < columns; ++bx) {
        // A block starts only while its longest code still fits.
        if (writer.BytePosition() > limit_) {
          ok = false;
          break;
        }
        const int above = by == 0 ? kNoNeighbour : count_row_[bx];
        const unsigned nonzero = blocks_[bx].nonzero & kept;
        const int count = CodeBlock(writer, codes_, blocks_[bx], nonzero, kTokenTableOfNc[PredictCount(left, above)]);
        left = count_row_[bx] = static_cast<std::uint8_t>(count);
      }
    }
    writer_ = writer;
    return ok;
  }

  std::uint8_t staging_[BitWriter::kStagingBytes];
  BitWriter writer_;
  const BlockCodes& codes_;
  std::uint8_t* output_;
  std::ptrdiff_t limit_;  // last byte offset at which a block may begin
  std::uint8_t count_row_[kMaxBlockColumns];
  QuantisedBlock blocks_[kMaxBlockColumns];  // the row of blocks being coded
};

}  // namespace

int CompressFrame(const std::uint8_t* source, int width, int height, int level, std::uint8_t* output,
                  std::int32_t* length) {
  const std::int32_t capacity = *length;
  *length = 0;
  if (!PictureFits(width, height)) return kPictureRefused;
  if (level < 0 || level > kMaxReductionLevel) return kCodecOk;

  FrameEncoder encoder(output, capacity);
  if (level == kMaxReductionLevel) {
    if (capacity < 0 || FixedSizePayloadBytes(width, height) > std::size_t(capacity)) return kPlaneFailed0;
    *length = static_cast<std::int32_t>(encoder.EncodeFixed(source, width, height));
    return kCodecOk;
  }
  const int result = encoder.EncodeVariable(source, width, height, level);
  *length = static_cast<std::int32_t>(encoder.FinishVariable());
  return result;
}

}  // namespace orlin::codec
