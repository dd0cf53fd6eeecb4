// The code tables are prefix codes, and the decoder's derived lookups find
// exactly the code that each bit pattern begins with.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "codec/cavlc_tables.h"
#include "codec/decoder_tables.h"

namespace orlin::codec {
namespace {

bool IsPrefix(Vlc shorter, Vlc longer) {
  return shorter.length <= longer.length && (longer.value >> (longer.length - shorter.length)) == shorter.value;
}

void ExpectPrefixCode(const std::vector<Vlc>& codes, const char* name) {
  double kraft = 0;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    kraft += 1.0 / double(1u << codes[i].length);
    for (std::size_t j = 0; j < codes.size(); ++j)
      if (i != j) {
        EXPECT_FALSE(IsPrefix(codes[i], codes[j])) << name << ": code " << i << " begins code " << j;
      }
  }
  EXPECT_LE(kraft, 1.0) << name;
}

std::vector<Vlc> Present(const Vlc* codes, int count) {
  std::vector<Vlc> out;
  for (int i = 0; i < count; ++i)
    if (codes[i].length) out.push_back(codes[i]);
  return out;
}

// The index of the code that the 16 bits `pattern` begin with, or -1.
int BruteForce(const Vlc* codes, int count, std::uint32_t pattern) {
  for (int i = 0; i < count; ++i)
    if (codes[i].length && (pattern >> (16 - codes[i].length)) == codes[i].value) return i;
  return -1;
}

BitReader ReaderOver(std::uint8_t (&bytes)[4], std::uint32_t pattern) {
  bytes[0] = std::uint8_t(pattern >> 8);
  bytes[1] = std::uint8_t(pattern);
  bytes[2] = bytes[3] = 0;
  return BitReader(bytes, 2);
}

TEST(CodeTables, EveryTableIsAPrefixCode) {
  for (int t = 0; t < kCoeffTokenTables; ++t) ExpectPrefixCode(Present(&kCoeffToken[t][0][0], 17 * 4), "coeff_token");
  for (const auto& row : kTotalZeros) ExpectPrefixCode(Present(row, 16), "total_zeros");
  for (const auto& row : kRunBefore) ExpectPrefixCode(Present(row, 15), "run_before");
}

TEST(CodeTables, SpotChecksAgainstTheWorkedExamples) {
  EXPECT_EQ(kCoeffToken[0][1][0].value, 0b000101);
  EXPECT_EQ(kCoeffToken[0][1][0].length, 6);
  EXPECT_EQ(kCoeffToken[0][4][2].length, 8);  // 00000101
  EXPECT_EQ(kTotalZeros[3][3].value, 0b0100);
  EXPECT_EQ(kRunBefore[2][2].value, 0b01);
}

TEST(DecoderLookups, FindTheCodeEveryBitPatternBeginsWith) {
  const DecoderTables& tables = GetDecoderTables();
  std::uint8_t bytes[4];
  for (std::uint32_t pattern = 0; pattern < 0x10000; ++pattern) {
    for (int t = 0; t < kCoeffTokenTables; ++t) {
      const int expected = BruteForce(&kCoeffToken[t][0][0], 17 * 4, pattern);
      const DecodedCode found = tables.coeffToken[t].Find(ReaderOver(bytes, pattern));
      ASSERT_EQ(found.length == 0 ? -1 : int(found.symbol), expected) << "table " << t << " pattern " << pattern;
      // The short lookup finds the same code, or nothing when it is longer.
      const DecodedCode quick = tables.shortToken[t][pattern >> (16 - DecoderTables::kShortTokenBits)];
      const bool isShort = expected >= 0 && (&kCoeffToken[t][0][0])[expected].length <= DecoderTables::kShortTokenBits;
      ASSERT_EQ(quick.length == 0 ? -1 : int(quick.symbol), isShort ? expected : -1) << "table " << t << " pattern " << pattern;
      if (isShort) {
        ASSERT_EQ(quick.length, found.length);
      }
    }
    for (int tc = 0; tc < 15; ++tc) {
      const DecodedCode found = tables.totalZeros[tc].Find(ReaderOver(bytes, pattern));
      ASSERT_EQ(found.length == 0 ? -1 : int(found.symbol), BruteForce(kTotalZeros[tc], 16, pattern));
    }
    for (int row = 0; row < 7; ++row) {
      const DecodedCode found = tables.runBefore[row].Find(ReaderOver(bytes, pattern));
      ASSERT_EQ(found.length == 0 ? -1 : int(found.symbol), BruteForce(kRunBefore[row], 15, pattern));
    }
  }
}

// total_zeros and the run_before codes of a block with `count` levels read one
// at a time from the start of `window` with the code tables themselves: the
// scan positions of the levels and the bits the codes take (-1: not codes).
std::pair<unsigned, int> ReadTailOneByOne(int count, std::uint32_t window) {
  int used = 0;
  const auto next16 = [&] { return std::uint32_t((std::uint64_t{window} << used) >> 16) & 0xFFFFu; };
  const int zeros = BruteForce(kTotalZeros[count - 1], 16, next16());
  if (zeros < 0) return {0, -1};
  used += kTotalZeros[count - 1][zeros].length;
  int position = count - 1 + zeros, zerosLeft = zeros;
  if (position > 15) return {0, -1};
  unsigned positions = 1u << position;
  for (int i = count - 1; i > 0; --i) {
    int run = 0;
    if (zerosLeft > 0) {
      const Vlc* row = kRunBefore[(zerosLeft < 7 ? zerosLeft : 7) - 1];
      run = BruteForce(row, 15, next16());
      if (run < 0 || run > zerosLeft) return {0, -1};
      used += row[run].length;
    }
    zerosLeft -= run;
    position -= run + 1;
    positions |= 1u << position;
  }
  return {positions, used};
}

TEST(DecoderLookups, EachTailIsTheCodesReadOneByOne) {
  const DecoderTables& tables = GetDecoderTables();
  constexpr int kBits = DecoderTables::kTailBits;
  int found = 0;
  for (int count = 2; count <= 15; ++count) {
    for (std::uint32_t index = 0; index < (1u << kBits); ++index) {
      const auto [positions, used] = ReadTailOneByOne(count, index << (32 - kBits));
      const std::uint32_t expected = used >= 0 && used <= kBits ? positions | std::uint32_t(used) << 16 : 0;
      ASSERT_EQ(tables.tails[count - 2][index], expected) << count << " levels, bits " << index;
      found += expected != 0;
    }
  }
  EXPECT_GT(found, 14 * (1 << kBits) / 2) << "most bit patterns begin a short tail";
}

}  // namespace
}  // namespace orlin::codec
