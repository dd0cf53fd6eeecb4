// The frame decoder. The payload comes off the network: every count and index
// read from it is checked before it is used, and a block that does not parse
// is never written.
#include <bit>
#include <cstring>

#include "codec/bit_reader.h"
#include "codec/block_context.h"
#include "codec/cavlc_tables.h"
#include "codec/codec.h"
#include "codec/decoder_tables.h"
#include "codec/picture.h"
#include "codec/transform.h"

namespace orlin::codec {
namespace {

// Dequantised coefficient in the decoder's 16-bit arithmetic.
inline std::int16_t Dequantise(int level, int raster) {
  return Wrap16(level * kDequantFactor[kQuantClass[raster]]);
}

class FrameDecoder {
 public:
  FrameDecoder(const std::uint8_t* payload, std::size_t length)
      : reader_(payload, length), tables_(GetDecoderTables()) {}

  int DecodeVariable(std::uint8_t* destination, int width, int height) {
    for (int p = 0; p < kPlaneCount; ++p) {
      const PlaneGeometry plane = Plane(p, width, height);
      if (!DecodePlane(destination + plane.offset, plane)) return kPlaneFailed0 - p;
    }
    return kCodecOk;
  }

 private:
  bool DecodePlane(std::uint8_t* samples, const PlaneGeometry& plane) {
    const int columns = plane.BlockColumns();
    for (int by = 0; by < plane.BlockRows(); ++by) {
      std::uint8_t* row = samples + std::size_t(by) * 4 * std::size_t(plane.width);
      int left = kNoNeighbour;
      for (int bx = 0; bx < columns; ++bx) {
        const int above = by == 0 ? kNoNeighbour : count_row_[bx];
        std::int16_t coefficients[16];
        int totalCoeff = 0;
        if (!ParseBlock(PredictCount(left, above), coefficients, totalCoeff)) return false;
        left = count_row_[bx] = static_cast<std::uint8_t>(totalCoeff);
        InverseTransform(coefficients, row + 4 * bx, plane.width);
      }
    }
    return true;
  }

  // Reads one block's syntax into dequantised coefficients (raster order).
  bool ParseBlock(int nC, std::int16_t coefficients[16], int& totalCoeff) {
    int trailingOnes;
    if (nC >= 8) {
      const std::uint32_t token = reader_.Read(kFixedCoeffTokenBits);
      totalCoeff = token == kFixedCoeffTokenZero ? 0 : int(token / 4) + 1;
      trailingOnes = token == kFixedCoeffTokenZero ? 0 : int(token % 4);
      // Only damaged data names more trailing ones than coefficients.
      if (trailingOnes > totalCoeff) return false;
    } else {
      const DecodedCode token = tables_.coeffToken[CoeffTokenTable(nC)].Find(reader_);
      if (token.length == 0) return false;
      reader_.Skip(token.length);
      totalCoeff = token.symbol / 4;
      trailingOnes = token.symbol % 4;
    }
    std::memset(coefficients, 0, 16 * sizeof(std::int16_t));
    if (totalCoeff == 0) return true;

    // levels[0] is the lowest-frequency nonzero level.
    int levels[16];
    for (int i = 0; i < trailingOnes; ++i) levels[totalCoeff - 1 - i] = reader_.Read(1) ? -1 : 1;

    int suffixLength = (totalCoeff > 10 && trailingOnes < 3) ? 1 : 0;
    for (int i = totalCoeff - trailingOnes - 1; i >= 0; --i) {
      // level_prefix: zeros up to a 1 that must lie inside the payload.
      const int prefix = std::countl_zero(reader_.Peek32());
      if (prefix > 15 || std::uint64_t(prefix) >= reader_.BitsLeft()) return false;
      reader_.Skip(prefix + 1);
      int suffixBits = suffixLength;
      if (prefix == 15) {
        suffixBits = 12;
      } else if (prefix == 14 && suffixLength == 0) {
        suffixBits = 4;
      }
      int levelCode = (prefix << suffixLength);
      if (suffixBits > 0) levelCode += int(reader_.Read(suffixBits));
      if (prefix == 15 && suffixLength == 0) levelCode += 15;
      const int level = (levelCode & 1) ? -((levelCode + 1) >> 1) : (levelCode >> 1) + 1;
      levels[i] = level;
      const int magnitude = level < 0 ? -level : level;
      if (magnitude > kSuffixThreshold[suffixLength]) ++suffixLength;
    }

    int runs[16] = {};
    if (totalCoeff < 16) {
      const DecodedCode zeros = tables_.totalZeros[totalCoeff - 1].Find(reader_);
      if (zeros.length == 0) return false;
      reader_.Skip(zeros.length);
      int zerosLeft = zeros.symbol;
      for (int i = totalCoeff - 1; i > 0 && zerosLeft > 0; --i) {
        const DecodedCode run = tables_.runBefore[(zerosLeft < 7 ? zerosLeft : 7) - 1].Find(reader_);
        if (run.length == 0) return false;
        reader_.Skip(run.length);
        runs[i] = run.symbol;
        zerosLeft -= run.symbol;
        if (zerosLeft < 0) return false;
      }
      runs[0] = zerosLeft;
    }

    int position = -1;
    for (int i = 0; i < totalCoeff; ++i) {
      position += runs[i] + 1;
      if (position > 15) return false;  // the tables never allow it; keep the write in bounds
      const int raster = kZigZag[position];
      coefficients[raster] = Dequantise(levels[i], raster);
    }
    return true;
  }

  BitReader reader_;
  const DecoderTables& tables_;
  std::uint8_t count_row_[kMaxBlockColumns];
};

// Fixed-size mode: six signed levels per block at scan positions 0 to 5.
void DecodeFixed(const std::uint8_t* payload, std::uint8_t* destination, int width, int height) {
  for (int p = 0; p < kPlaneCount; ++p) {
    const PlaneGeometry plane = Plane(p, width, height);
    for (int by = 0; by < plane.BlockRows(); ++by) {
      std::uint8_t* row = destination + plane.offset + std::size_t(by) * 4 * std::size_t(plane.width);
      for (int bx = 0; bx < plane.BlockColumns(); ++bx) {
        std::int16_t coefficients[16] = {};
        for (int i = 0; i < 6; ++i) {
          const int raster = kZigZag[i];
          coefficients[raster] = Dequantise(static_cast<std::int8_t>(payload[i]), raster);
        }
        payload += 6;
        InverseTransform(coefficients, row + 4 * bx, plane.width);
      }
    }
  }
}

}  // namespace

void InitDecoderTables() { GetDecoderTables(); }

int DecompressFrame(const std::uint8_t* payload, std::int32_t length, int fixedSize,
                    std::uint8_t* destination, int width, int height) {
  if (!PictureFits(width, height)) return kPictureRefused;
  if (fixedSize) {
    DecodeFixed(payload, destination, width, height);
    return kCodecOk;
  }
  FrameDecoder decoder(payload, length > 0 ? std::size_t(length) : 0);
  return decoder.DecodeVariable(destination, width, height);
}

}  // namespace orlin::codec
