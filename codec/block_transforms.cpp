#include "codec/block_transforms.h"

#include <cstdlib>
#include <cstring>

#include "codec/block_order.h"
#include "codec/cavlc_tables.h"
#include "codec/transform.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef ORLIN_CODEC_AVX2
#include <immintrin.h>
#endif

namespace orlin::codec {
namespace {

int Quantise(int x, int quantClass) {
  const int magnitude = (std::abs(x) * kQuantMultiplier[quantClass] + kQuantRounding) >> kQuantShift;
  return x < 0 ? -magnitude : magnitude;
}

void FinishMasks(QuantisedBlock& block) {
  unsigned nonzero = 0, ones = 0, negative = 0;
  for (int i = 0; i < 16; ++i) {
    nonzero |= unsigned(block.levels[i] != 0) << i;
    ones |= unsigned(block.levels[i] == 1 || block.levels[i] == -1) << i;
    negative |= unsigned(block.levels[i] < 0) << i;
  }
  block.nonzero = static_cast<std::uint16_t>(ScanMask(nonzero));
  block.ones = static_cast<std::uint16_t>(ScanMask(ones));
  block.negative = static_cast<std::uint16_t>(ScanMask(negative));
}

#ifdef __SSE2__

// Transposes the 4 x 4 words held in lanes 0-3 of a0..a3, and separately the
// 4 x 4 words held in lanes 4-7.
inline void Transpose4x4Pairs(__m128i& a0, __m128i& a1, __m128i& a2, __m128i& a3) {
  const __m128i lo01 = _mm_unpacklo_epi16(a0, a1), hi01 = _mm_unpackhi_epi16(a0, a1);
  const __m128i lo23 = _mm_unpacklo_epi16(a2, a3), hi23 = _mm_unpackhi_epi16(a2, a3);
  const __m128i first01 = _mm_unpacklo_epi32(lo01, lo23), first23 = _mm_unpackhi_epi32(lo01, lo23);
  const __m128i second01 = _mm_unpacklo_epi32(hi01, hi23), second23 = _mm_unpackhi_epi32(hi01, hi23);
  a0 = _mm_unpacklo_epi64(first01, second01);
  a1 = _mm_unpackhi_epi64(first01, second01);
  a2 = _mm_unpacklo_epi64(first23, second23);
  a3 = _mm_unpackhi_epi64(first23, second23);
}

// (|x| * MF + 2^18) >> 19 == ((|x| * MF) >> 16 + 4) >> 3 for |x| < 2^16: the
// low 16 bits of the product cannot carry into bit 19.
inline __m128i QuantiseLanes(__m128i x, __m128i multiplier) {
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
  __m128i level = _mm_mulhi_epu16(magnitude, multiplier);
  level = _mm_srli_epi16(_mm_add_epi16(level, _mm_set1_epi16(4)), 3);
  return _mm_sub_epi16(_mm_xor_si128(level, sign), sign);
}

inline void StoreQuantised(__m128i first, __m128i second, QuantisedBlock& block) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(block.levels), first);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(block.levels + 8), second);
  const __m128i bytes = _mm_packs_epi16(first, second);  // levels stay far inside int8
  const __m128i zero = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
  const __m128i one = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(1)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(-1)));
  block.nonzero = static_cast<std::uint16_t>(ScanMask(~unsigned(_mm_movemask_epi8(zero)) & 0xFFFFu));
  block.ones = static_cast<std::uint16_t>(ScanMask(unsigned(_mm_movemask_epi8(one))));
  block.negative = static_cast<std::uint16_t>(ScanMask(unsigned(_mm_movemask_epi8(bytes))));
}

// Two blocks side by side: lanes 0-3 hold the left block, lanes 4-7 the right.
inline void QuantisePair(const std::uint8_t* row, int stride, QuantisedBlock* out) {
  const __m128i zero = _mm_setzero_si128();
  // Written out: at -O2 the compiler keeps a loop here.
  const auto load = [&](int r) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + r * stride)), zero);
  };
  const __m128i p[4] = {load(0), load(1), load(2), load(3)};
  // The transform is exact integer arithmetic, so columns may go first.
  __m128i s03 = _mm_add_epi16(p[0], p[3]), d03 = _mm_sub_epi16(p[0], p[3]);
  __m128i s12 = _mm_add_epi16(p[1], p[2]), d12 = _mm_sub_epi16(p[1], p[2]);
  __m128i v0 = _mm_add_epi16(s03, s12);
  __m128i v1 = _mm_add_epi16(_mm_add_epi16(d03, d03), d12);
  __m128i v2 = _mm_sub_epi16(s03, s12);
  __m128i v3 = _mm_sub_epi16(d03, _mm_add_epi16(d12, d12));
  Transpose4x4Pairs(v0, v1, v2, v3);  // now register j holds column j, lanes by v
  s03 = _mm_add_epi16(v0, v3), d03 = _mm_sub_epi16(v0, v3);
  s12 = _mm_add_epi16(v1, v2), d12 = _mm_sub_epi16(v1, v2);
  const __m128i evenU = _mm_setr_epi16(13107, 8066, 13107, 8066, 13107, 8066, 13107, 8066);
  const __m128i oddU = _mm_setr_epi16(8066, 5243, 8066, 5243, 8066, 5243, 8066, 5243);
  const __m128i x0 = QuantiseLanes(_mm_add_epi16(s03, s12), evenU);
  const __m128i x1 = QuantiseLanes(_mm_add_epi16(_mm_add_epi16(d03, d03), d12), oddU);
  const __m128i x2 = QuantiseLanes(_mm_sub_epi16(s03, s12), evenU);
  const __m128i x3 = QuantiseLanes(_mm_sub_epi16(d03, _mm_add_epi16(d12, d12)), oddU);
  StoreQuantised(_mm_unpacklo_epi64(x0, x1), _mm_unpacklo_epi64(x2, x3), out[0]);
  StoreQuantised(_mm_unpackhi_epi64(x0, x1), _mm_unpackhi_epi64(x2, x3), out[1]);
}

// Inverse transform of two blocks; lanes as in QuantisePair. Every operation
// wraps at 16 bits exactly as the plain transform does. On return rows01
// holds rows 0 and 1 of both blocks (left block in bytes 0-3 and 8-11, right
// block in bytes 4-7 and 12-15), rows23 rows 2 and 3.
inline void InversePair(const std::int16_t* left, const std::int16_t* right, __m128i& rows01, __m128i& rows23) {
  const __m128i leftLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left));
  const __m128i leftHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + 8));
  const __m128i rightLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(right));
  const __m128i rightHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + 8));
  // Register u: horizontal frequency u, lanes by v.
  const __m128i c0 = _mm_unpacklo_epi64(leftLo, rightLo), c1 = _mm_unpackhi_epi64(leftLo, rightLo);
  const __m128i c2 = _mm_unpacklo_epi64(leftHi, rightHi), c3 = _mm_unpackhi_epi64(leftHi, rightHi);
  __m128i e = _mm_add_epi16(c0, c2), f = _mm_sub_epi16(c0, c2);
  __m128i g = _mm_sub_epi16(_mm_srai_epi16(c1, 1), c3), k = _mm_add_epi16(c1, _mm_srai_epi16(c3, 1));
  __m128i t0 = _mm_add_epi16(e, k), t1 = _mm_add_epi16(f, g), t2 = _mm_sub_epi16(f, g), t3 = _mm_sub_epi16(e, k);
  Transpose4x4Pairs(t0, t1, t2, t3);  // register v: row v, lanes by u
  e = _mm_add_epi16(t0, t2), f = _mm_sub_epi16(t0, t2);
  g = _mm_sub_epi16(_mm_srai_epi16(t1, 1), t3), k = _mm_add_epi16(t1, _mm_srai_epi16(t3, 1));
  const __m128i round = _mm_set1_epi16(32);
  const __m128i r0 = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(e, k), round), 6);
  const __m128i r1 = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(f, g), round), 6);
  const __m128i r2 = _mm_srai_epi16(_mm_add_epi16(_mm_sub_epi16(f, g), round), 6);
  const __m128i r3 = _mm_srai_epi16(_mm_add_epi16(_mm_sub_epi16(e, k), round), 6);
  // Saturating to unsigned bytes is the clip to 0..255.
  rows01 = _mm_packus_epi16(r0, r1);
  rows23 = _mm_packus_epi16(r2, r3);
}

inline void StoreRow4(std::uint8_t* at, __m128i bytes) {
  const std::uint32_t row = std::uint32_t(_mm_cvtsi128_si32(bytes));
  std::memcpy(at, &row, 4);
}

// One block's four rows: bytes 0-3 of rows01, 8-11 of rows01, 0-3 and 8-11 of
// rows23.
inline void StoreBlock(std::uint8_t* at, int stride, __m128i rows01, __m128i rows23) {
  StoreRow4(at, rows01);
  StoreRow4(at + stride, _mm_srli_si128(rows01, 8));
  StoreRow4(at + 2 * stride, rows23);
  StoreRow4(at + 3 * stride, _mm_srli_si128(rows23, 8));
}

// Two neighbouring blocks, or (both false) the left one alone.
inline void ReconstructPair(const std::int16_t* left, const std::int16_t* right, std::uint8_t* row, int stride,
                            bool both) {
  __m128i rows01, rows23;
  InversePair(left, right, rows01, rows23);
  if (both) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row), rows01);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + stride), _mm_srli_si128(rows01, 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 2 * stride), rows23);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 3 * stride), _mm_srli_si128(rows23, 8));
  } else {
    StoreBlock(row, stride, rows01, rows23);
  }
}

#endif  // __SSE2__

}  // namespace

void QuantiseBlocksPlain(const std::uint8_t* row, int stride, int count, QuantisedBlock* out) {
  for (int b = 0; b < count; ++b) {
    std::int16_t x[16];
    ForwardTransform(row + 4 * b, stride, x);
    for (int raster = 0; raster < 16; ++raster) {
      out[b].levels[ColumnMajor(raster)] = static_cast<std::int16_t>(Quantise(x[raster], kQuantClass[raster]));
    }
    FinishMasks(out[b]);
  }
}

void ReconstructBlocksPlain(const std::int16_t (*coefficients)[16], int count, std::uint8_t* row, int stride) {
  for (int b = 0; b < count; ++b) {
    std::int16_t c[16];
    for (int raster = 0; raster < 16; ++raster) c[raster] = coefficients[b][ColumnMajor(raster)];
    InverseTransform(c, row + 4 * b, stride);
  }
}

void ReconstructBlocksAtPlain(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                              std::uint8_t* row, int stride) {
  for (int b = 0; b < count; ++b) ReconstructBlocksPlain(coefficients + b, 1, row + 4 * columns[b], stride);
}

#ifdef __SSE2__

void QuantiseBlocksSse2(const std::uint8_t* row, int stride, int count, QuantisedBlock* out) {
  int b = 0;
  for (; b + 2 <= count; b += 2) QuantisePair(row + 4 * b, stride, out + b);
  // An odd last block: reading a second one could pass the end of the plane.
  if (b < count) QuantiseBlocksPlain(row + 4 * b, stride, 1, out + b);
}

#ifdef ORLIN_CODEC_AVX2

namespace {

#define ORLIN_TARGET_AVX2 __attribute__((target("avx2")))

// The SSE2 steps on 256-bit registers: AVX2 works on each 128-bit half
// apart, so every half holds a pair of blocks exactly as QuantisePair lays
// one out, and four blocks go through at once.
ORLIN_TARGET_AVX2 inline void Transpose4x4Quads(__m256i& a0, __m256i& a1, __m256i& a2, __m256i& a3) {
  const __m256i lo01 = _mm256_unpacklo_epi16(a0, a1), hi01 = _mm256_unpackhi_epi16(a0, a1);
  const __m256i lo23 = _mm256_unpacklo_epi16(a2, a3), hi23 = _mm256_unpackhi_epi16(a2, a3);
  const __m256i first01 = _mm256_unpacklo_epi32(lo01, lo23), first23 = _mm256_unpackhi_epi32(lo01, lo23);
  const __m256i second01 = _mm256_unpacklo_epi32(hi01, hi23), second23 = _mm256_unpackhi_epi32(hi01, hi23);
  a0 = _mm256_unpacklo_epi64(first01, second01);
  a1 = _mm256_unpackhi_epi64(first01, second01);
  a2 = _mm256_unpacklo_epi64(first23, second23);
  a3 = _mm256_unpackhi_epi64(first23, second23);
}

// QuantiseLanes; the sign instruction puts back the sign of x (0 stays 0).
ORLIN_TARGET_AVX2 inline __m256i QuantiseLanes256(__m256i x, __m256i multiplier) {
  __m256i level = _mm256_mulhi_epu16(_mm256_abs_epi16(x), multiplier);
  level = _mm256_srli_epi16(_mm256_add_epi16(level, _mm256_set1_epi16(4)), 3);
  return _mm256_sign_epi16(level, x);
}

// Two blocks' levels, one block in each 128-bit half of (first, second), as
// StoreQuantised takes them: `low` gets the blocks of the low halves.
ORLIN_TARGET_AVX2 inline void StoreQuantisedHalves(__m256i first, __m256i second, QuantisedBlock& low,
                                                   QuantisedBlock& high) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(low.levels), _mm256_permute2x128_si256(first, second, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(high.levels), _mm256_permute2x128_si256(first, second, 0x31));
  const __m256i bytes = _mm256_packs_epi16(first, second);  // each half: one block's 16 levels
  const __m256i zero = _mm256_cmpeq_epi8(bytes, _mm256_setzero_si256());
  const __m256i one = _mm256_cmpeq_epi8(_mm256_abs_epi8(bytes), _mm256_set1_epi8(1));
  const auto nonzero = ~unsigned(_mm256_movemask_epi8(zero));
  const auto ones = unsigned(_mm256_movemask_epi8(one));
  const auto negative = unsigned(_mm256_movemask_epi8(bytes));
  low.nonzero = static_cast<std::uint16_t>(ScanMask(nonzero & 0xFFFFu));
  low.ones = static_cast<std::uint16_t>(ScanMask(ones & 0xFFFFu));
  low.negative = static_cast<std::uint16_t>(ScanMask(negative & 0xFFFFu));
  high.nonzero = static_cast<std::uint16_t>(ScanMask(nonzero >> 16));
  high.ones = static_cast<std::uint16_t>(ScanMask(ones >> 16));
  high.negative = static_cast<std::uint16_t>(ScanMask(negative >> 16));
}

// Sixteen samples widened to words.
ORLIN_TARGET_AVX2 inline __m256i LoadRow16(const std::uint8_t* at) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

// Four blocks side by side: blocks 0 and 1 in the low halves, 2 and 3 in the
// high halves, each pair as in QuantisePair.
ORLIN_TARGET_AVX2 inline void QuantiseQuad(const std::uint8_t* row, int stride, QuantisedBlock* out) {
  const __m256i p0 = LoadRow16(row), p1 = LoadRow16(row + stride);
  const __m256i p2 = LoadRow16(row + 2 * stride), p3 = LoadRow16(row + 3 * stride);
  __m256i s03 = _mm256_add_epi16(p0, p3), d03 = _mm256_sub_epi16(p0, p3);
  __m256i s12 = _mm256_add_epi16(p1, p2), d12 = _mm256_sub_epi16(p1, p2);
  __m256i v0 = _mm256_add_epi16(s03, s12);
  __m256i v1 = _mm256_add_epi16(_mm256_add_epi16(d03, d03), d12);
  __m256i v2 = _mm256_sub_epi16(s03, s12);
  __m256i v3 = _mm256_sub_epi16(d03, _mm256_add_epi16(d12, d12));
  Transpose4x4Quads(v0, v1, v2, v3);
  s03 = _mm256_add_epi16(v0, v3), d03 = _mm256_sub_epi16(v0, v3);
  s12 = _mm256_add_epi16(v1, v2), d12 = _mm256_sub_epi16(v1, v2);
  const __m256i evenU = _mm256_setr_epi16(13107, 8066, 13107, 8066, 13107, 8066, 13107, 8066, 13107, 8066, 13107,
                                          8066, 13107, 8066, 13107, 8066);
  const __m256i oddU = _mm256_setr_epi16(8066, 5243, 8066, 5243, 8066, 5243, 8066, 5243, 8066, 5243, 8066, 5243,
                                         8066, 5243, 8066, 5243);
  const __m256i x0 = QuantiseLanes256(_mm256_add_epi16(s03, s12), evenU);
  const __m256i x1 = QuantiseLanes256(_mm256_add_epi16(_mm256_add_epi16(d03, d03), d12), oddU);
  const __m256i x2 = QuantiseLanes256(_mm256_sub_epi16(s03, s12), evenU);
  const __m256i x3 = QuantiseLanes256(_mm256_sub_epi16(d03, _mm256_add_epi16(d12, d12)), oddU);
  StoreQuantisedHalves(_mm256_unpacklo_epi64(x0, x1), _mm256_unpacklo_epi64(x2, x3), out[0], out[2]);
  StoreQuantisedHalves(_mm256_unpackhi_epi64(x0, x1), _mm256_unpackhi_epi64(x2, x3), out[1], out[3]);
}

}  // namespace

// The eight coefficients at `at` of two blocks, one in each 128-bit half.
ORLIN_TARGET_AVX2 inline __m256i LoadHalves(const std::int16_t* low, const std::int16_t* high) {
  return _mm256_set_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(high)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(low)));
}

// InversePair on four blocks: blocks 0 and 1 in the low halves, 2 and 3 in
// the high halves, each half laid out as InversePair lays out a pair.
ORLIN_TARGET_AVX2 inline void InverseQuad(const std::int16_t (*c)[16], __m256i& rows01, __m256i& rows23) {
  const __m256i leftLo = LoadHalves(c[0], c[2]), leftHi = LoadHalves(c[0] + 8, c[2] + 8);
  const __m256i rightLo = LoadHalves(c[1], c[3]), rightHi = LoadHalves(c[1] + 8, c[3] + 8);
  const __m256i c0 = _mm256_unpacklo_epi64(leftLo, rightLo), c1 = _mm256_unpackhi_epi64(leftLo, rightLo);
  const __m256i c2 = _mm256_unpacklo_epi64(leftHi, rightHi), c3 = _mm256_unpackhi_epi64(leftHi, rightHi);
  __m256i e = _mm256_add_epi16(c0, c2), f = _mm256_sub_epi16(c0, c2);
  __m256i g = _mm256_sub_epi16(_mm256_srai_epi16(c1, 1), c3), k = _mm256_add_epi16(c1, _mm256_srai_epi16(c3, 1));
  __m256i t0 = _mm256_add_epi16(e, k), t1 = _mm256_add_epi16(f, g);
  __m256i t2 = _mm256_sub_epi16(f, g), t3 = _mm256_sub_epi16(e, k);
  Transpose4x4Quads(t0, t1, t2, t3);
  e = _mm256_add_epi16(t0, t2), f = _mm256_sub_epi16(t0, t2);
  g = _mm256_sub_epi16(_mm256_srai_epi16(t1, 1), t3), k = _mm256_add_epi16(t1, _mm256_srai_epi16(t3, 1));
  const __m256i round = _mm256_set1_epi16(32);
  const __m256i r0 = _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(e, k), round), 6);
  const __m256i r1 = _mm256_srai_epi16(_mm256_add_epi16(_mm256_add_epi16(f, g), round), 6);
  const __m256i r2 = _mm256_srai_epi16(_mm256_add_epi16(_mm256_sub_epi16(f, g), round), 6);
  const __m256i r3 = _mm256_srai_epi16(_mm256_add_epi16(_mm256_sub_epi16(e, k), round), 6);
  rows01 = _mm256_packus_epi16(r0, r1);
  rows23 = _mm256_packus_epi16(r2, r3);
}

ORLIN_TARGET_AVX2 void QuantiseBlocksAvx2(const std::uint8_t* row, int stride, int count, QuantisedBlock* out) {
  int b = 0;
  for (; b + 4 <= count; b += 4) QuantiseQuad(row + 4 * b, stride, out + b);
  // Up to three last blocks: reading four could pass the end of the plane.
  QuantiseBlocksSse2(row + 4 * b, stride, count - b, out + b);
}

ORLIN_TARGET_AVX2 void ReconstructBlocksAtAvx2(const std::int16_t (*coefficients)[16], const std::uint16_t* columns,
                                                int count, std::uint8_t* row, int stride) {
  int b = 0;
  for (; b + 4 <= count; b += 4) {
    __m256i rows01, rows23;
    InverseQuad(coefficients + b, rows01, rows23);
    const __m128i low01 = _mm256_castsi256_si128(rows01), low23 = _mm256_castsi256_si128(rows23);
    const __m128i high01 = _mm256_extracti128_si256(rows01, 1), high23 = _mm256_extracti128_si256(rows23, 1);
    StoreBlock(row + 4 * columns[b], stride, low01, low23);
    StoreBlock(row + 4 * columns[b + 1], stride, _mm_srli_si128(low01, 4), _mm_srli_si128(low23, 4));
    StoreBlock(row + 4 * columns[b + 2], stride, high01, high23);
    StoreBlock(row + 4 * columns[b + 3], stride, _mm_srli_si128(high01, 4), _mm_srli_si128(high23, 4));
  }
  ReconstructBlocksAtSse2(coefficients + b, columns + b, count - b, row, stride);
}

bool ProcessorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");  // processor and operating system
  return has;
}

#endif  // ORLIN_CODEC_AVX2

void QuantiseBlocks(const std::uint8_t* row, int stride, int count, QuantisedBlock* out) {
#ifdef ORLIN_CODEC_AVX2
  if (ProcessorHasAvx2()) return QuantiseBlocksAvx2(row, stride, count, out);
#endif
  QuantiseBlocksSse2(row, stride, count, out);
}

void ReconstructBlocksAt(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                         std::uint8_t* row, int stride) {
#ifdef ORLIN_CODEC_AVX2
  if (ProcessorHasAvx2()) return ReconstructBlocksAtAvx2(coefficients, columns, count, row, stride);
#endif
  ReconstructBlocksAtSse2(coefficients, columns, count, row, stride);
}

void ReconstructBlocks(const std::int16_t (*coefficients)[16], int count, std::uint8_t* row, int stride) {
  int b = 0;
  for (; b + 2 <= count; b += 2) ReconstructPair(coefficients[b], coefficients[b + 1], row + 4 * b, stride, true);
  if (b < count) ReconstructPair(coefficients[b], coefficients[b], row + 4 * b, stride, false);
}

void ReconstructBlocksAtSse2(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                             std::uint8_t* row, int stride) {
  int b = 0;
  for (; b + 2 <= count; b += 2) {
    __m128i rows01, rows23;
    InversePair(coefficients[b], coefficients[b + 1], rows01, rows23);
    StoreBlock(row + 4 * columns[b], stride, rows01, rows23);
    StoreBlock(row + 4 * columns[b + 1], stride, _mm_srli_si128(rows01, 4), _mm_srli_si128(rows23, 4));
  }
  if (b < count) ReconstructPair(coefficients[b], coefficients[b], row + 4 * columns[b], stride, false);
}

#else

void QuantiseBlocks(const std::uint8_t* row, int stride, int count, QuantisedBlock* out) {
  QuantiseBlocksPlain(row, stride, count, out);
}

void ReconstructBlocks(const std::int16_t (*coefficients)[16], int count, std::uint8_t* row, int stride) {
  ReconstructBlocksPlain(coefficients, count, row, stride);
}

void ReconstructBlocksAt(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                         std::uint8_t* row, int stride) {
  ReconstructBlocksAtPlain(coefficients, columns, count, row, stride);
}

#endif

}  // namespace orlin::codec
