// The frame encoder: 4x4 forward transform of the samples themselves, the
// fixed quantiser, and CAVLC coding of the kept coefficients.
#include <cstdlib>

#include "codec/bit_writer.h"
#include "codec/block_context.h"
#include "codec/cavlc_tables.h"
#include "codec/codec.h"
#include "codec/picture.h"
#include "codec/transform.h"

namespace orlin::codec {
namespace {

inline int Quantise(int x, int quantClass) {
  const int magnitude = (std::abs(x) * kQuantMultiplier[quantClass] + kQuantRounding) >> kQuantShift;
  return x < 0 ? -magnitude : magnitude;
}

// One frame's working state. Lives on the caller's stack: encoders running on
// several threads share nothing.
class FrameEncoder {
 public:
  FrameEncoder(std::uint8_t* output, std::int32_t capacity)
      : writer_(output), output_(output), limit_(std::ptrdiff_t{capacity} - kBlockMargin) {}

  // Variable-length mode, levels 0 to 2. Returns the plane's result code.
  int EncodeVariable(const std::uint8_t* source, int width, int height, int level) {
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      bool ok = true;
      switch (level) {
        case 0: ok = EncodePlane<16>(source + plane.offset, plane); break;
        case 1: ok = EncodePlane<10>(source + plane.offset, plane); break;
        default: ok = EncodePlane<6>(source + plane.offset, plane); break;
      }
      if (!ok) return kPlaneFailed0 - p;
    }
    return kCodecOk;
  }

  std::size_t FinishVariable() { return writer_.Finish(); }

  // Fixed-size mode: six signed bytes per block, no entropy coding.
  std::size_t EncodeFixed(const std::uint8_t* source, int width, int height) {
    std::uint8_t* out = output_;
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      for (int by = 0; by < plane.BlockRows(); ++by) {
        const std::uint8_t* row = source + plane.offset + std::size_t(by) * 4 * std::size_t(plane.width);
        for (int bx = 0; bx < plane.BlockColumns(); ++bx) {
          std::int16_t x[16];
          ForwardTransform(row + 4 * bx, plane.width, x);
          for (int i = 0; i < 6; ++i) {
            const int raster = kZigZag[i];
            *out++ = static_cast<std::uint8_t>(Quantise(x[raster], kQuantClass[raster]));
          }
        }
      }
    }
    return static_cast<std::size_t>(out - output_);
  }

 private:
  template <int kKept>
  bool EncodePlane(const std::uint8_t* samples, const PlaneGeometry& plane) {
    const int columns = plane.BlockColumns();
    for (int by = 0; by < plane.BlockRows(); ++by) {
      const std::uint8_t* row = samples + std::size_t(by) * 4 * std::size_t(plane.width);
      int left = kNoNeighbour;
      for (int bx = 0; bx < columns; ++bx) {
        const int above = by == 0 ? kNoNeighbour : count_row_[bx];
        if (!EncodeBlock<kKept>(row + 4 * bx, plane.width, PredictCount(left, above))) return false;
        left = count_row_[bx] = total_coeff_;
      }
    }
    return true;
  }

  // Codes one block; false when it would start past the output margin.
  template <int kKept>
  bool EncodeBlock(const std::uint8_t* block, int stride, int nC) {
    if (writer_.BytePosition() > limit_) return false;

    std::int16_t x[16];
    ForwardTransform(block, stride, x);

    // Nonzero levels in increasing scan order, with the zeros before each.
    int levels[16];
    int runs[16];
    int count = 0;
    int run = 0;
    for (int i = 0; i < kKept; ++i) {
      const int raster = kZigZag[i];
      const int level = x[raster] == 0 ? 0 : Quantise(x[raster], kQuantClass[raster]);
      if (level == 0) {
        ++run;
      } else {
        levels[count] = level;
        runs[count] = run;
        ++count;
        run = 0;
      }
    }
    total_coeff_ = count;

    int trailingOnes = 0;
    while (trailingOnes < 3 && trailingOnes < count &&
           std::abs(levels[count - 1 - trailingOnes]) == 1) {
      ++trailingOnes;
    }

    if (nC >= 8) {
      const std::uint32_t token = count == 0 ? kFixedCoeffTokenZero : std::uint32_t((count - 1) * 4 + trailingOnes);
      writer_.Put(token, kFixedCoeffTokenBits);
    } else {
      const Vlc token = kCoeffToken[CoeffTokenTable(nC)][count][trailingOnes];
      writer_.Put(token.value, token.length);
    }
    if (count == 0) return true;

    if (trailingOnes > 0) {
      std::uint32_t signs = 0;
      for (int i = 0; i < trailingOnes; ++i) signs = (signs << 1) | (levels[count - 1 - i] < 0 ? 1u : 0u);
      writer_.Put(signs, trailingOnes);
    }

    int suffixLength = (count > 10 && trailingOnes < 3) ? 1 : 0;
    for (int i = count - 1 - trailingOnes; i >= 0; --i) PutLevel(levels[i], suffixLength);

    int totalZeros = 0;
    for (int i = 0; i < count; ++i) totalZeros += runs[i];
    if (count < 16) {
      const Vlc code = kTotalZeros[count - 1][totalZeros];
      writer_.Put(code.value, code.length);
    }
    int zerosLeft = totalZeros;
    for (int i = count - 1; i > 0 && zerosLeft > 0; --i) {
      const Vlc code = kRunBefore[(zerosLeft < 7 ? zerosLeft : 7) - 1][runs[i]];
      writer_.Put(code.value, code.length);
      zerosLeft -= runs[i];
    }
    return true;
  }

  // level_prefix zero bits, a 1, then the suffix; the escape carries 12 bits.
  void PutLevel(int level, int& suffixLength) {
    const int magnitude = std::abs(level);
    const int levelCode = 2 * (magnitude - 1) + (level < 0 ? 1 : 0);
    if (suffixLength == 0) {
      if (levelCode < 14) {
        writer_.Put(1, levelCode + 1);
      } else if (levelCode < 30) {
        writer_.Put(std::uint32_t(16 + levelCode - 14), 19);
      } else {
        writer_.Put(std::uint32_t(4096 + levelCode - 30), 28);
      }
    } else {
      const int escapeAt = 15 << suffixLength;
      if (levelCode < escapeAt) {
        const std::uint32_t suffix = std::uint32_t(levelCode) & ((1u << suffixLength) - 1);
        writer_.Put((1u << suffixLength) | suffix, (levelCode >> suffixLength) + 1 + suffixLength);
      } else {
        writer_.Put(std::uint32_t(4096 + levelCode - escapeAt), 28);
      }
    }
    if (magnitude > kSuffixThreshold[suffixLength]) ++suffixLength;
  }

  BitWriter writer_;
  std::uint8_t* output_;
  std::ptrdiff_t limit_;  // last byte offset at which a block may begin
  int total_coeff_ = 0;
  std::uint8_t count_row_[kMaxBlockColumns];
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
