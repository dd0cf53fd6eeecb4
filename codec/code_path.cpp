#include "codec/code_path.h"

#include <atomic>

#ifdef ORLIN_CODEC_BIT_MANIPULATION
#include <cpuid.h>
#endif

namespace orlin::codec {
namespace {

// -1 until the first call decides.
std::atomic<int> g_activePath{-1};

}  // namespace

bool ProcessorHasBitManipulation() {
#ifdef ORLIN_CODEC_BIT_MANIPULATION
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || (c & bit_POPCNT) == 0 || (c & bit_SSSE3) == 0) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d) || (b & bit_BMI) == 0 || (b & bit_BMI2) == 0) return false;
  return __get_cpuid(0x80000001, &a, &b, &c, &d) && (c & bit_LZCNT) != 0;
#else
  return false;
#endif
}

CodePath ActiveCodePath() {
  int path = g_activePath.load(std::memory_order_relaxed);
  if (path < 0) {
    path = int(ProcessorHasBitManipulation() ? CodePath::kBitManipulation : CodePath::kBaseline);
    g_activePath.store(path, std::memory_order_relaxed);
  }
  return CodePath(path);
}

bool ForceCodePath(CodePath path) {
  if (path == CodePath::kBitManipulation && !ProcessorHasBitManipulation()) return false;
  g_activePath.store(int(path), std::memory_order_relaxed);
  return true;
}

}  // namespace orlin::codec
