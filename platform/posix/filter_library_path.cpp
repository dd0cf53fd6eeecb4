#include "platform/posix/filter_library_path.h"

#include <dlfcn.h>
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

HRESULT CallServerRegistration(const std::string& path, bool unregister, std::string& failure) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    failure = "cannot load " + path + ": " + (why != nullptr ? why : "");
    return E_FAIL;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  using RegistrationFunction = HRESULT (*)();
  const auto call = reinterpret_cast<RegistrationFunction>(dlsym(handle, entry));
  if (call == nullptr) {
    failure = path + " has no " + entry + ": it is not a COM server";
    dlclose(handle);
    return E_FAIL;
  }
  const HRESULT hr = call();
  dlclose(handle);
  return hr;
}

}  // namespace orlin::platform
