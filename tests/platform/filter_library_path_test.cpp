// The filter library our programs register, found from the program's own
// folder: the build tree's lib/ first, else where the installation put it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/filter_library_path.h"

namespace {

namespace fs = std::filesystem;

TEST(FilterLibraryPath, FindsTheBuildTreesLibraryElseTheInstalledOneByItsWholePath) {
  struct Case {
    const char* layout;
    std::vector<std::string> files;  // under the root, besides bin/orlin-view
    const char* installedFromBin;
    std::string expected;  // under the root; empty for none
  };
  const Case cases[] = {
      {"build tree", {"lib/liborlin.so"}, "../lib/orlin", "lib/liborlin.so"},
      {"installed", {"lib/orlin/liborlin.so"}, "../lib/orlin", "lib/orlin/liborlin.so"},
      {"installed, multiarch", {"lib/x86_64-linux-gnu/orlin/liborlin.so"}, "../lib/x86_64-linux-gnu/orlin",
       "lib/x86_64-linux-gnu/orlin/liborlin.so"},
      {"both", {"lib/orlin/liborlin.so", "lib/liborlin.so"}, "../lib/orlin", "lib/liborlin.so"},
      {"neither", {"lib/other/liborlin.so"}, "../lib/orlin", ""},
  };
  const fs::path root = fs::path(::testing::TempDir()) / "filter_library_path";
  for (const Case& c : cases) {
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    for (const std::string& file : c.files) {
      fs::create_directories((root / file).parent_path());
      std::ofstream(root / file) << "library";
    }
    const std::string expected = c.expected.empty() ? "" : (root / c.expected).lexically_normal().string();
    EXPECT_EQ(orlin::platform::FilterLibraryFor((root / "bin/orlin-view").string(), c.installedFromBin), expected)
        << c.layout;
  }
  fs::remove_all(root);
}

}  // namespace
