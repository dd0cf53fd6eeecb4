#include "platform/posix/filter_library_path.h"

#include <limits.h>
#include <unistd.h>

#include <filesystem>

// ORLIN_FILTER_LIBRARY_FROM_BIN, the folder of the installed library relative
// to the installed programs', comes from the install rules.

namespace orlin::platform {

std::string FilterLibraryFor(const std::string& program, const std::string& installedFromBin) {
  const std::filesystem::path bin = std::filesystem::path(program).parent_path();
  for (const std::filesystem::path& candidate :
       {bin / "../lib/liborlin.so", bin / installedFromBin / "liborlin.so"}) {
    // The file the registration records, so no "bin/.." in it.
    const std::string path = candidate.lexically_normal().string();
    if (access(path.c_str(), R_OK) == 0) return path;
  }
  return {};
}

std::string FilterLibraryPath() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return {};
  return FilterLibraryFor(std::string(self, std::size_t(length)), ORLIN_FILTER_LIBRARY_FROM_BIN);
}

}  // namespace orlin::platform
