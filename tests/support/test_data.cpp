#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace orlin::test {

std::string TestDataPath(const std::string& name) {
  std::string path = std::string(ORLIN_TEST_DATA_DIR) + "/" + name;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

std::vector<std::uint8_t> ReadTestFile(const std::string& name) {
  std::ifstream in(TestDataPath(name), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << TestDataPath(name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReadTestFrame(const std::string& picture, int width, int height) {
  auto frame = ReadTestFile(picture + "_" + std::to_string(width) + "x" + std::to_string(height) + ".yv12");
  EXPECT_EQ(frame.size(), std::size_t(width) * height * 3 / 2);
  return frame;
}

}  // namespace orlin::test
