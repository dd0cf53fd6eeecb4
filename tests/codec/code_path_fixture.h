// Runs a test once on each copy of the coder's inner loops that this processor
// can run (the plain one, and the one for processors with the bit-manipulation
// instructions), so that both are held to the same results.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "codec/code_path.h"

namespace orlin::codec {

inline void PrintTo(CodePath path, std::ostream* out) {
  *out << (path == CodePath::kBaseline ? "baseline" : "bit manipulation");
}

}  // namespace orlin::codec

namespace orlin::codec::test {

class OnEachCodePath : public ::testing::TestWithParam<CodePath> {
 protected:
  void SetUp() override {
    saved_ = ActiveCodePath();
    if (!ForceCodePath(GetParam())) GTEST_SKIP() << "this processor lacks BMI1, BMI2, LZCNT or POPCNT";
  }
  void TearDown() override { ForceCodePath(saved_); }

 private:
  CodePath saved_ = CodePath::kBaseline;
};

inline std::string CodePathName(const ::testing::TestParamInfo<CodePath>& info) {
  return info.param == CodePath::kBaseline ? "Baseline" : "BitManipulation";
}

}  // namespace orlin::codec::test

#define ORLIN_INSTANTIATE_ON_EACH_CODE_PATH(Suite)                                                             \
  INSTANTIATE_TEST_SUITE_P(CodePaths, Suite,                                                                  \
                           ::testing::Values(::orlin::codec::CodePath::kBaseline,                             \
                                             ::orlin::codec::CodePath::kBitManipulation),                     \
                           ::orlin::codec::test::CodePathName)
