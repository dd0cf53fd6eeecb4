// The 4x4 integer core transforms. The forward transform works on the samples
// themselves (no prediction); the inverse transform rebuilds samples in signed
// 16-bit arithmetic, wrapping as 16-bit registers do, so damaged coefficients
// give well-defined (if meaningless) samples.
#pragma once

#include <cstdint>

namespace orlin::codec {

// x[4 * v + u]: coefficient of vertical frequency v and horizontal frequency u.
inline void ForwardTransform(const std::uint8_t* block, int stride, std::int16_t x[16]) {
  int r[16];
  for (int row = 0; row < 4; ++row) {
    const std::uint8_t* p = block + row * stride;
    const int s03 = p[0] + p[3], d03 = p[0] - p[3];
    const int s12 = p[1] + p[2], d12 = p[1] - p[2];
    r[4 * row + 0] = s03 + s12;
    r[4 * row + 1] = 2 * d03 + d12;
    r[4 * row + 2] = s03 - s12;
    r[4 * row + 3] = d03 - 2 * d12;
  }
  for (int u = 0; u < 4; ++u) {
    const int s03 = r[u] + r[12 + u], d03 = r[u] - r[12 + u];
    const int s12 = r[4 + u] + r[8 + u], d12 = r[4 + u] - r[8 + u];
    x[u] = static_cast<std::int16_t>(s03 + s12);
    x[4 + u] = static_cast<std::int16_t>(2 * d03 + d12);
    x[8 + u] = static_cast<std::int16_t>(s03 - s12);
    x[12 + u] = static_cast<std::int16_t>(d03 - 2 * d12);
  }
}

inline std::int16_t Wrap16(int value) { return static_cast<std::int16_t>(value); }

inline std::uint8_t Clip255(int value) {
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Rebuilds the 16 samples of a block from its coefficients and stores them.
inline void InverseTransform(const std::int16_t c[16], std::uint8_t* block, int stride) {
  std::int16_t t[16];
  for (int v = 0; v < 4; ++v) {
    const std::int16_t* in = c + 4 * v;
    const std::int16_t e = Wrap16(in[0] + in[2]);
    const std::int16_t f = Wrap16(in[0] - in[2]);
    const std::int16_t g = Wrap16((in[1] >> 1) - in[3]);
    const std::int16_t k = Wrap16(in[1] + (in[3] >> 1));
    t[4 * v + 0] = Wrap16(e + k);
    t[4 * v + 1] = Wrap16(f + g);
    t[4 * v + 2] = Wrap16(f - g);
    t[4 * v + 3] = Wrap16(e - k);
  }
  for (int u = 0; u < 4; ++u) {
    const std::int16_t d0 = t[u], d1 = t[4 + u], d2 = t[8 + u], d3 = t[12 + u];
    const std::int16_t e = Wrap16(d0 + d2);
    const std::int16_t f = Wrap16(d0 - d2);
    const std::int16_t g = Wrap16((d1 >> 1) - d3);
    const std::int16_t k = Wrap16(d1 + (d3 >> 1));
    block[0 * stride + u] = Clip255(Wrap16(Wrap16(e + k) + 32) >> 6);
    block[1 * stride + u] = Clip255(Wrap16(Wrap16(f + g) + 32) >> 6);
    block[2 * stride + u] = Clip255(Wrap16(Wrap16(f - g) + 32) >> 6);
    block[3 * stride + u] = Clip255(Wrap16(Wrap16(e - k) + 32) >> 6);
  }
}

}  // namespace orlin::codec
