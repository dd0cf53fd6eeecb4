// Shared by the hosting tests: a fresh hive per test, and GUIDs as text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "orlin/device_enumerator.h"
#include "orlin/registry.h"

namespace hosting_test {

// Every test starts from an empty hive file (ORLIN_PC_REGISTRY, set by ctest).
class FreshHive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("ORLIN_PC_REGISTRY"), nullptr) << "run through ctest";
    std::remove(orlin::platform::RegistryHiveFile().c_str());
  }
  void TearDown() override { std::remove(orlin::platform::RegistryHiveFile().c_str()); }

  static std::string HiveText() {
    std::ifstream in(orlin::platform::RegistryHiveFile());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

inline std::u16string Text(REFGUID guid) {
  OLECHAR text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

}  // namespace hosting_test
