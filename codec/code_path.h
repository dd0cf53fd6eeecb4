// The coder's inner loops are compiled twice: once for every x86 processor
// (SSE2), once for processors with the bit-manipulation instructions BMI1,
// BMI2, LZCNT and POPCNT (Intel since 2013, AMD since 2015), on which a shift by
// a code's length and a count of leading zeros take one instruction each
// instead of three or four. Which copy runs is decided from CPUID, once per
// process.
//
// A copy for those processors is a function marked ORLIN_TARGET_BIT_MANIPULATION
// whose body is an ORLIN_ALWAYS_INLINE function shared with the plain copy. Only
// code inlined into it is compiled for them, so no function the linker may
// share between the copies can carry their instructions to older processors.
#pragma once

namespace orlin::codec {

enum class CodePath { kBaseline, kBitManipulation };

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define ORLIN_CODEC_BIT_MANIPULATION 1
#define ORLIN_TARGET_BIT_MANIPULATION __attribute__((target("bmi,bmi2,lzcnt,popcnt,ssse3")))
#define ORLIN_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define ORLIN_ALWAYS_INLINE inline
#endif

// True when the processor has BMI1, BMI2, LZCNT and POPCNT (and SSSE3, as every
// such processor does; the copy uses its byte shuffle too).
bool ProcessorHasBitManipulation();

// The copy that CompressFrame and DecompressFrame run: the fastest one the
// processor has, unless ForceCodePath chose another.
CodePath ActiveCodePath();

// Makes every later call run `path`, so that tests can hold both copies to the
// same results on one machine. False (and nothing changed) for a path the
// processor cannot run.
bool ForceCodePath(CodePath path);

}  // namespace orlin::codec
