#include "tests/codec/reference_codec.h"

#include <cstddef>
#include <cstdlib>

#include "codec/cavlc_tables.h"
#include "codec/codec.h"

namespace orlin::codec::reference {
namespace {

struct Plane {
  std::size_t offset;
  int width, height;
};

Plane PlaneOf(int p, int w, int h) {
  const std::size_t luma = std::size_t(w) * std::size_t(h);
  if (p == 0) return {0, w, h};
  return {p == 1 ? luma : luma + luma / 4, w / 2, h / 2};
}

int NC(int left, int above) {
  if (left != 255 && above != 255) return (left + above + 1) / 2;
  if (left != 255) return left;
  if (above != 255) return above;
  return 0;
}

// ---------------------------------------------------------------- encoder

struct Encoder {
  std::uint8_t* out;
  std::uint8_t* pos;
  std::ptrdiff_t limit;  // offset of the last position at which a block may begin
  int freeBits = 8;
  int kept = 16;
  std::uint8_t countRow[kMaxBlockColumns];

  // Bits enter the current byte from its low end, earlier bits moving up.
  void PutBit(int bit) {
    *pos = std::uint8_t((*pos << 1) | bit);
    if (--freeBits == 0) {
      ++pos;
      freeBits = 8;
      pendingZero = true;
    }
  }
  bool pendingZero = false;
  void Put(std::uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (pendingZero) {
        *pos = 0;
        pendingZero = false;
      }
      PutBit(int((value >> i) & 1));
    }
  }

  static void Transform(const std::uint8_t* b, int stride, int X[16]) {
    int r[4][4];
    for (int row = 0; row < 4; ++row) {
      const std::uint8_t* p = b + row * stride;
      r[row][0] = p[0] + p[1] + p[2] + p[3];
      r[row][1] = 2 * (p[0] - p[3]) + (p[1] - p[2]);
      r[row][2] = (p[0] + p[3]) - (p[1] + p[2]);
      r[row][3] = (p[0] - p[3]) - 2 * (p[1] - p[2]);
    }
    for (int u = 0; u < 4; ++u) {
      X[u] = r[0][u] + r[1][u] + r[2][u] + r[3][u];
      X[4 + u] = 2 * (r[0][u] - r[3][u]) + (r[1][u] - r[2][u]);
      X[8 + u] = (r[0][u] + r[3][u]) - (r[1][u] + r[2][u]);
      X[12 + u] = (r[0][u] - r[3][u]) - 2 * (r[1][u] - r[2][u]);
    }
  }

  static int Quant(int x, int raster) {
    if (x == 0) return 0;
    const int m = (std::abs(x) * kQuantMultiplier[kQuantClass[raster]] + 262144) >> 19;
    return x < 0 ? -m : m;
  }

  bool Block(const std::uint8_t* b, int stride, std::uint8_t* entry, int left, int above) {
    if (pos - out > limit) return false;
    int X[16];
    Transform(b, stride, X);
    int levels[16], runs[16], tc = 0, run = 0;
    for (int i = 0; i < kept; ++i) {
      const int level = Quant(X[kZigZag[i]], kZigZag[i]);
      if (level == 0) {
        ++run;
      } else {
        levels[tc] = level;
        runs[tc++] = run;
        run = 0;
      }
    }
    *entry = std::uint8_t(tc);
    int t1 = 0;
    for (int i = tc - 1; i >= 0 && t1 < 3 && std::abs(levels[i]) == 1; --i) ++t1;
    const int nC = NC(left, above);
    if (nC >= 8) {
      Put(tc == 0 ? 3u : std::uint32_t((tc - 1) * 4 + t1), 6);
    } else {
      const Vlc c = kCoeffToken[nC < 2 ? 0 : (nC < 4 ? 1 : 2)][tc][t1];
      Put(c.value, c.length);
    }
    if (tc == 0) return true;
    std::uint32_t signs = 0;
    for (int i = 0; i < t1; ++i) signs = (signs << 1) | (levels[tc - 1 - i] < 0);
    if (t1) Put(signs, t1);
    int sL = (tc > 10 && t1 < 3) ? 1 : 0;
    for (int i = tc - 1 - t1; i >= 0; --i) {
      const int m = std::abs(levels[i]), s = levels[i] < 0;
      const int levelCode = 2 * (m - 1) + s;
      if (sL == 0) {
        if (m <= 7) Put(1, 2 * m + s - 1);
        else if (m <= 15) Put(std::uint32_t(2 * m + s), 19);
        else Put(std::uint32_t(4096 + (2 * m + s - 32)), 28);
      } else if (m - 1 < 15 * (1 << (sL - 1))) {
        Put(std::uint32_t((1 << sL) + levelCode % (1 << sL)), sL + levelCode / (1 << sL) + 1);
      } else {
        Put(std::uint32_t(4096 + (levelCode - 15 * (1 << sL))), 28);
      }
      if (m > kSuffixThreshold[sL]) ++sL;
    }
    int tz = 0;
    for (int i = 0; i < tc; ++i) tz += runs[i];
    if (tc < 16) Put(kTotalZeros[tc - 1][tz].value, kTotalZeros[tc - 1][tz].length);
    int zl = tz;
    for (int i = tc - 1; i >= 1 && zl > 0; --i) {
      const Vlc c = kRunBefore[(zl > 6 ? 7 : zl) - 1][runs[i]];
      Put(c.value, c.length);
      zl -= runs[i];
    }
    return true;
  }

  bool EncodePlane(const std::uint8_t* src, Plane pl) {
    for (int y = 0; y < pl.height / 4; ++y) {
      int left = 255;
      for (int x = 0; x < pl.width / 4; ++x) {
        const int above = y == 0 ? 255 : countRow[x];
        if (!Block(src + pl.offset + std::size_t(4 * y) * pl.width + 4 * x, pl.width, &countRow[x], left, above))
          return false;
        left = countRow[x];
      }
    }
    return true;
  }
};

}  // namespace

int CompressFrame(const std::uint8_t* source, int width, int height, int level, std::uint8_t* output,
                  std::int32_t* length) {
  const std::int32_t capacity = *length;
  *length = 0;
  if (width < 0 || height < 0 || width / 4 > kMaxBlockColumns) return kPictureRefused;
  if (level < 0 || level > 3) return 0;
  if (level == 3) {
    std::size_t blocks = 0;
    for (int p = 0; p < 3; ++p) blocks += std::size_t(PlaneOf(p, width, height).width / 4) * (PlaneOf(p, width, height).height / 4);
    if (capacity < 0 || 6 * blocks > std::size_t(capacity)) return -1;
    std::uint8_t* o = output;
    for (int p = 0; p < 3; ++p) {
      const Plane pl = PlaneOf(p, width, height);
      for (int y = 0; y < pl.height / 4; ++y)
        for (int x = 0; x < pl.width / 4; ++x) {
          int X[16];
          Encoder::Transform(source + pl.offset + std::size_t(4 * y) * pl.width + 4 * x, pl.width, X);
          for (int i = 0; i < 6; ++i) *o++ = std::uint8_t(Encoder::Quant(X[kZigZag[i]], kZigZag[i]));
        }
    }
    *length = std::int32_t(o - output);
    return 0;
  }
  Encoder e;
  e.out = e.pos = output;
  e.limit = std::ptrdiff_t(capacity) - 82;
  e.kept = kKeptCoefficients[level];
  e.pendingZero = true;  // output[0] is cleared when the first bit goes in
  int result = 0;
  for (int p = 0; p < 3; ++p) {
    if (!e.EncodePlane(source, PlaneOf(p, width, height))) {
      result = -1 - p;
      break;
    }
  }
  if (e.freeBits < 8) {
    *e.pos = std::uint8_t(*e.pos << e.freeBits);
    ++e.pos;
  }
  *length = std::int32_t(e.pos - output);
  return result;
}

// ---------------------------------------------------------------- decoder

namespace {

struct Lookups {
  std::uint8_t coeff[3][16][16] = {};
  std::uint8_t zeros[15][9][8] = {};
  std::uint8_t runs[7][11][8] = {};
  Lookups() {
    for (int t = 0; t < 3; ++t)
      for (int tc = 0; tc <= 16; ++tc)
        for (int t1 = 0; t1 < 4; ++t1) {
          const Vlc c = kCoeffToken[t][tc][t1];
          if (c.length) coeff[t][c.length - 1][c.value] = std::uint8_t(0x80 + 4 * tc + t1);
        }
    for (int tc = 0; tc < 15; ++tc)
      for (int z = 0; z < 16; ++z) {
        const Vlc c = kTotalZeros[tc][z];
        if (c.length) zeros[tc][c.length - 1][c.value] = std::uint8_t(0x80 + z);
      }
    for (int r = 0; r < 7; ++r)
      for (int b = 0; b < 15; ++b) {
        const Vlc c = kRunBefore[r][b];
        if (c.length) runs[r][c.length - 1][c.value] = std::uint8_t(0x80 + b);
      }
  }
};

struct Reader {
  const std::uint8_t* payload;
  std::ptrdiff_t last;   // index of the last payload byte (length - 1)
  std::size_t readable;  // payload bytes plus the two after them
  std::ptrdiff_t p = 0;  // read position
  int bitsLeft = 8;

  std::uint8_t ByteAt(std::size_t i) const { return i < readable ? payload[i] : 0; }
  std::size_t BitPosition() const { return std::size_t(p) * 8 + std::size_t(8 - bitsLeft); }

  std::uint32_t Look(int n) const {
    const std::size_t bit = BitPosition();
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      const std::size_t b = bit + std::size_t(i);
      v = (v << 1) | std::uint32_t((ByteAt(b / 8) >> (7 - b % 8)) & 1);
    }
    return v;
  }
  void Consume(int n) {
    bitsLeft -= n;
    while (bitsLeft <= 0 && p < last) {
      ++p;
      bitsLeft += 8;
    }
  }
  bool Exhausted() const { return p >= last && bitsLeft <= 0; }
  std::uint32_t Read(int n) {
    const std::uint32_t v = Look(n);
    Consume(n);
    return v;
  }
  // Zero bits up to the first 1; -1 when no 1 lies within the payload.
  int PrefixScan() const {
    const std::size_t end = std::size_t(last + 1) * 8;
    if (Exhausted() || BitPosition() >= end) return -1;
    int zeros = 0;
    for (std::size_t b = BitPosition(); b < end; ++b, ++zeros)
      if ((payload[b / 8] >> (7 - b % 8)) & 1) return zeros;
    return -1;
  }
};

struct Decoder {
  const Lookups& lk;
  Reader r;
  DecodeStats* stats;
  std::uint8_t countRow[kMaxBlockColumns];

  // The trial of code lengths: the look-ahead value must stay within the
  // lookup's width, and the first length whose value holds a code wins.
  template <int kLengths, int kValues>
  int Find(const std::uint8_t (&table)[kLengths][kValues]) {
    for (int n = 1; n <= kLengths; ++n) {
      const std::uint32_t v = r.Look(n);
      if (v >= std::uint32_t(kValues)) return -1;
      if (table[n - 1][v]) {
        r.Consume(n);
        return table[n - 1][v] - 0x80;
      }
    }
    return -1;
  }

  bool Block(std::uint8_t* dst, int stride, std::uint8_t* entry, int left, int above) {
    const int nC = NC(left, above);
    int tc, t1;
    if (nC >= 8) {
      const std::uint32_t v = r.Look(6);
      tc = v == 3 ? 0 : int(v / 4) + 1;
      t1 = v == 3 ? 0 : int(v % 4);
      r.Consume(6);
      if (t1 > tc) return false;
    } else {
      const int t = nC < 2 ? 0 : (nC < 4 ? 1 : 2);
      const int maxLength = t == 0 ? 16 : (t == 1 ? 14 : 10);
      int sym = -1;
      for (int n = 1; n <= maxLength && sym < 0; ++n) {
        const std::uint32_t v = r.Look(n);
        if (v > 15) return false;
        if (lk.coeff[t][n - 1][v]) {
          r.Consume(n);
          sym = lk.coeff[t][n - 1][v] - 0x80;
        }
      }
      if (sym < 0) return false;
      tc = sym / 4;
      t1 = sym % 4;
    }
    *entry = std::uint8_t(tc);
    int levels[16] = {}, runs[16] = {};
    if (tc > 0) {
      for (int i = 0; i < t1; ++i) levels[tc - 1 - i] = r.Read(1) ? -1 : 1;
      int sL = (tc > 10 && t1 < 3) ? 1 : 0;
      for (int i = tc - t1 - 1; i >= 0; --i) {
        const int prefix = r.PrefixScan();
        if (prefix < 0 || prefix > 15) return false;
        r.Consume(prefix + 1);
        const int bits = (prefix == 14 && sL == 0) ? 4 : (prefix == 15 ? 12 : sL);
        int levelCode = (prefix < 15 ? prefix : 15) * (1 << sL) + (bits ? int(r.Read(bits)) : 0);
        if (prefix == 15 && sL == 0) levelCode += 15;
        levels[i] = levelCode % 2 == 0 ? levelCode / 2 + 1 : -(levelCode + 1) / 2;
        if (std::abs(levels[i]) > kSuffixThreshold[sL]) ++sL;
      }
      if (tc < 16) {
        const int tz = Find(lk.zeros[tc - 1]);
        if (tz < 0) return false;
        int zl = tz;
        for (int i = tc - 1; i >= 1 && zl > 0; --i) {
          const int rb = Find(lk.runs[(zl > 6 ? 7 : zl) - 1]);
          if (rb < 0) return false;
          runs[i] = rb;
          zl -= rb;
          if (zl < 0) return false;
        }
        if (zl > 0) runs[0] = zl;
      }
    }
    std::int16_t c[16] = {};
    int scan = 0;
    for (int i = 0; i < tc; ++i) {
      scan += runs[i];
      if (stats && scan > stats->highestNonzeroScan) stats->highestNonzeroScan = scan;
      c[kZigZag[scan]] = std::int16_t(levels[i] * kDequantFactor[kQuantClass[kZigZag[scan]]]);
      ++scan;
    }
    if (stats) ++stats->blocks;
    Inverse(c, dst, stride);
    return true;
  }

  static void Inverse(const std::int16_t* c, std::uint8_t* dst, int stride) {
    auto w = [](int v) { return std::int16_t(v); };
    std::int16_t t[16];
    for (int v = 0; v < 4; ++v) {
      const std::int16_t* q = c + 4 * v;
      const std::int16_t e = w(q[0] + q[2]), f = w(q[0] - q[2]);
      const std::int16_t g = w((q[1] >> 1) - q[3]), k = w(q[1] + (q[3] >> 1));
      t[4 * v] = w(e + k), t[4 * v + 1] = w(f + g), t[4 * v + 2] = w(f - g), t[4 * v + 3] = w(e - k);
    }
    for (int u = 0; u < 4; ++u) {
      const std::int16_t e = w(t[u] + t[8 + u]), f = w(t[u] - t[8 + u]);
      const std::int16_t g = w((t[4 + u] >> 1) - t[12 + u]), k = w(t[4 + u] + (t[12 + u] >> 1));
      const std::int16_t out[4] = {w(e + k), w(f + g), w(f - g), w(e - k)};
      for (int row = 0; row < 4; ++row) {
        const int s = w(out[row] + 32) >> 6;
        dst[row * stride + u] = std::uint8_t(s < 0 ? 0 : (s > 255 ? 255 : s));
      }
    }
  }
};

}  // namespace

int DecompressFrame(const std::uint8_t* payload, std::int32_t length, int fixedSize,
                    std::uint8_t* destination, int width, int height, DecodeStats* stats) {
  if (width < 0 || height < 0 || width / 4 > kMaxBlockColumns) return kPictureRefused;
  static const Lookups lookups;
  if (fixedSize) {
    const std::uint8_t* p = payload;
    for (int pi = 0; pi < 3; ++pi) {
      const Plane pl = PlaneOf(pi, width, height);
      for (int y = 0; y < pl.height / 4; ++y)
        for (int x = 0; x < pl.width / 4; ++x) {
          std::int16_t c[16] = {};
          static constexpr int kFactor[6] = {160, 208, 208, 160, 256, 160};
          for (int i = 0; i < 6; ++i) c[kZigZag[i]] = std::int16_t(std::int8_t(p[i]) * kFactor[i]);
          p += 6;
          Decoder::Inverse(c, destination + pl.offset + std::size_t(4 * y) * pl.width + 4 * x, pl.width);
        }
    }
    return 0;
  }
  const std::size_t len = length > 0 ? std::size_t(length) : 0;
  Decoder d{lookups, Reader{payload, std::ptrdiff_t(len) - 1, len + 2}, stats, {}};
  for (int pi = 0; pi < 3; ++pi) {
    const Plane pl = PlaneOf(pi, width, height);
    for (int y = 0; y < pl.height / 4; ++y) {
      int left = 255;
      for (int x = 0; x < pl.width / 4; ++x) {
        const int above = y == 0 ? 255 : d.countRow[x];
        if (!d.Block(destination + pl.offset + std::size_t(4 * y) * pl.width + 4 * x, pl.width, &d.countRow[x],
                     left, above))
          return -1 - pi;
        left = d.countRow[x];
      }
    }
  }
  return 0;
}

}  // namespace orlin::codec::reference
