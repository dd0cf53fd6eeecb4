// A plain, literal coder of the compressed frame format, kept for tests only:
// a byte-at-a-time bit writer, a bit reader with read position and bits left,
// and code lookups tried length by length. The library's codec is measured
// against it bit for bit.
#pragma once

#include <cstdint>

namespace orlin::codec::reference {

// Same contract as orlin::codec::CompressFrame.
int CompressFrame(const std::uint8_t* source, int width, int height, int level, std::uint8_t* output,
                  std::int32_t* length);

// What the reference decoder saw, for tests that look inside the bitstream.
struct DecodeStats {
  int blocks = 0;                 // blocks parsed successfully
  int highestNonzeroScan = -1;    // highest scan position that held a nonzero level
};

// Same contract as orlin::codec::DecompressFrame.
int DecompressFrame(const std::uint8_t* payload, std::int32_t length, int fixedSize,
                    std::uint8_t* destination, int width, int height, DecodeStats* stats = nullptr);

}  // namespace orlin::codec::reference
