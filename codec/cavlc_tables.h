// The variable-length code tables of the compressed frame format, stored once.
// Encoder and decoder both read them; the decoder's fast lookups are derived
// from them (decoder_tables.h).
#pragma once

#include <cstdint>

namespace orlin::codec {

// One code: its value (the bits read most significant first) and its length.
// Length 0 marks a combination that has no code.
struct Vlc {
  std::uint16_t value;
  std::uint8_t length;
};

// Turns a bit string such as "000101" into its code at compile time, so each
// table entry is written as the bits that go on the wire.
consteval Vlc Bits(const char* bits) {
  std::uint16_t value = 0;
  std::uint8_t length = 0;
  for (; bits[length] != '\0'; ++length) {
    if (bits[length] != '0' && bits[length] != '1') throw "not a bit string";
    value = static_cast<std::uint16_t>((value << 1) | (bits[length] - '0'));
  }
  if (length == 0 || length > 16) throw "code length out of range";
  return Vlc{value, length};
}

inline constexpr Vlc kNoCode{0, 0};

// Tables of coeff_token, one per range of nC: 0-1, 2-3, 4-7.
inline constexpr int kCoeffTokenTables = 3;
// The fixed-length coeff_token used for nC 8 and above: 6 bits, 000011 for
// TotalCoeff 0, otherwise (TotalCoeff - 1) * 4 + TrailingOnes.
inline constexpr int kFixedCoeffTokenBits = 6;
inline constexpr std::uint16_t kFixedCoeffTokenZero = 3;

// coeff_token by table, TotalCoeff (0-16) and TrailingOnes (0-3).
extern const Vlc kCoeffToken[kCoeffTokenTables][17][4];
// total_zeros of 4x4 blocks by TotalCoeff - 1 (0-14) and total_zeros (0-15).
extern const Vlc kTotalZeros[15][16];
// run_before by min(zerosLeft, 7) - 1 (0-6) and run_before (0-14).
extern const Vlc kRunBefore[7][15];

// The coeff_token table for a given nC below 8.
constexpr int CoeffTokenTable(int nC) { return nC < 2 ? 0 : (nC < 4 ? 1 : 2); }

// Scan order: raster index (4 * v + u) of each scan position.
inline constexpr std::uint8_t kZigZag[16] = {0, 1, 4, 8, 5, 2, 3, 6, 9, 12, 13, 10, 7, 11, 14, 15};

// Quantisation class of each raster index: 0 where u and v are both even,
// 1 where both are odd, 2 otherwise.
inline constexpr std::uint8_t kQuantClass[16] = {0, 2, 0, 2, 2, 1, 2, 1, 0, 2, 0, 2, 2, 1, 2, 1};

// Fixed quantiser (QP 24): level = (|x| * MF + 2^18) >> 19, signed as x.
inline constexpr int kQuantMultiplier[3] = {13107, 5243, 8066};
inline constexpr int kQuantShift = 19;
inline constexpr int kQuantRounding = 1 << 18;
// Reconstruction: coefficient = level * V * 16.
inline constexpr int kDequantFactor[3] = {10 * 16, 16 * 16, 13 * 16};

// suffixLength grows after a level whose magnitude exceeds this threshold.
inline constexpr int kSuffixThreshold[7] = {0, 3, 6, 12, 24, 48, 32767};

// Kept scan positions per reduction level 0-3.
inline constexpr int kKeptCoefficients[4] = {16, 10, 6, 6};

}  // namespace orlin::codec
