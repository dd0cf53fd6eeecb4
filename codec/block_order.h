// Where each scan position's coefficient sits in the per-block arrays that the
// batch transforms exchange with the entropy coder and parser. Those arrays
// hold a block column-major (index 4u + v): the transforms then need one
// transpose instead of two, and the quantisation class, which depends only on
// the parities of u and v, is the same in either order.
#pragma once

#include <cstdint>

#include "codec/cavlc_tables.h"

namespace orlin::codec {

constexpr int ColumnMajor(int raster) { return 4 * (raster % 4) + raster / 4; }

struct ScanTables {
  std::uint8_t columnMajor[16];   // by scan position
  std::int16_t dequant[16];       // level-to-coefficient factor by scan position
  std::uint16_t scanBitLow[256];  // column-major bit mask (low 8 indices) to scan-order bits
  std::uint16_t scanBitHigh[256]; // the same for column-major indices 8 to 15
};

consteval ScanTables MakeScanTables() {
  ScanTables t{};
  int scanOf[16] = {};
  for (int s = 0; s < 16; ++s) {
    t.columnMajor[s] = static_cast<std::uint8_t>(ColumnMajor(kZigZag[s]));
    t.dequant[s] = static_cast<std::int16_t>(kDequantFactor[kQuantClass[kZigZag[s]]]);
    scanOf[t.columnMajor[s]] = s;
  }
  for (int m = 0; m < 256; ++m) {
    for (int b = 0; b < 8; ++b) {
      if (m & (1 << b)) {
        t.scanBitLow[m] = static_cast<std::uint16_t>(t.scanBitLow[m] | (1u << scanOf[b]));
        t.scanBitHigh[m] = static_cast<std::uint16_t>(t.scanBitHigh[m] | (1u << scanOf[8 + b]));
      }
    }
  }
  return t;
}

inline constexpr ScanTables kScan = MakeScanTables();

// A column-major mask of 16 coefficients as a mask by scan position.
inline unsigned ScanMask(unsigned columnMajorMask) {
  return kScan.scanBitLow[columnMajorMask & 0xFF] | kScan.scanBitHigh[columnMajorMask >> 8];
}

}  // namespace orlin::codec
