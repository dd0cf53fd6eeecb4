// Camera-like test frames kept in tests/data (see its README).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orlin::test {

// Full path of a file in tests/data, in a form the platform's file API opens
// (under Wine the Linux path is reached through drive Z:).
std::string TestDataPath(const std::string& name);

// The whole file; fails the current test when it cannot be read.
std::vector<std::uint8_t> ReadTestFile(const std::string& name);

// A testdata frame "<picture>_<W>x<H>.yv12": Y, then V, then U.
std::vector<std::uint8_t> ReadTestFrame(const std::string& picture, int width, int height);

// The pictures every size is available in.
inline const char* const kTestPictures[] = {"astronaut", "coffee", "cups"};

}  // namespace orlin::test
