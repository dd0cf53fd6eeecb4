// The transforms of a whole row of blocks at once, which lets SSE2 work on two
// blocks per register. Per-block arrays are column-major (block_order.h). The
// plain versions define the results; the SSE2 versions must match them for
// every input, damaged coefficients included.
#pragma once

#include <cstdint>

namespace orlin::codec {

// Quantised levels of one block and which of them are nonzero, +-1 or
// negative, as masks by scan position (bit i: scan position i).
struct QuantisedBlock {
  std::int16_t levels[16];  // column-major
  std::uint16_t nonzero;
  std::uint16_t ones;
  std::uint16_t negative;
};

// Forward transform and quantisation of `count` blocks side by side, the first
// with its top-left sample at `row`.
void QuantiseBlocks(const std::uint8_t* row, int stride, int count, QuantisedBlock* out);
void QuantiseBlocksPlain(const std::uint8_t* row, int stride, int count, QuantisedBlock* out);

// The copies QuantiseBlocks chooses from where the build has them: two blocks
// per SSE2 register, and four per AVX2 register where the processor and the
// operating system offer AVX2 (not in Windows builds, whose compiler cannot
// keep 32-byte values it spills to the stack aligned).
#ifdef __SSE2__
void QuantiseBlocksSse2(const std::uint8_t* row, int stride, int count, QuantisedBlock* out);
#endif
#if (defined(__GNUC__) || defined(__clang__)) && defined(__SSE2__) && !defined(_WIN32)
#define ORLIN_CODEC_AVX2 1
void QuantiseBlocksAvx2(const std::uint8_t* row, int stride, int count, QuantisedBlock* out);
bool ProcessorHasAvx2();
#endif

// Inverse transform and clipping of `count` blocks of column-major
// coefficients, stored side by side from `row`.
void ReconstructBlocks(const std::int16_t (*coefficients)[16], int count, std::uint8_t* row, int stride);
void ReconstructBlocksPlain(const std::int16_t (*coefficients)[16], int count, std::uint8_t* row, int stride);

// The same for blocks that need not be neighbours: block i is stored at
// row + 4 * columns[i]. The decoder fills some blocks without a transform and
// leaves gaps for them.
void ReconstructBlocksAt(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                         std::uint8_t* row, int stride);
void ReconstructBlocksAtPlain(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                              std::uint8_t* row, int stride);
// The copies ReconstructBlocksAt chooses from, as for QuantiseBlocks.
#ifdef __SSE2__
void ReconstructBlocksAtSse2(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                             std::uint8_t* row, int stride);
#endif
#ifdef ORLIN_CODEC_AVX2
void ReconstructBlocksAtAvx2(const std::int16_t (*coefficients)[16], const std::uint16_t* columns, int count,
                             std::uint8_t* row, int stride);
#endif

}  // namespace orlin::codec
