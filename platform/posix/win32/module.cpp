#include "orlin/module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/win32/registry_hive.h"
#include "platform/posix/win32/utf16.h"

namespace {
thread_local DWORD last_error = 0;
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;

// Libraries loaded through LoadLibraryA, by handle: a dlopen handle is not an
// address inside the module, so dladdr cannot name it.
std::mutex loaded_mutex;
struct LoadedLibrary {
  std::string path;
  int loads = 0;  // dlopen counts them; the name goes with the last
};
std::map<HMODULE, LoadedLibrary>& Loaded() {
  static std::map<HMODULE, LoadedLibrary> loaded;
  return loaded;
}

std::string Absolute(const char* path) {
  char* absolute = realpath(path, nullptr);
  if (absolute == nullptr) return path;
  std::string result(absolute);
  free(absolute);
  return result;
}

// The module's path made absolute, as Windows reports it.
std::string PathOf(HMODULE module) {
  {
    std::lock_guard lock(loaded_mutex);
    const auto found = Loaded().find(module);
    if (found != Loaded().end()) return found->second.path;
  }
  if (module == nullptr) {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
  }
  Dl_info info{};
  if (dladdr(module, &info) == 0 || info.dli_fname == nullptr) return {};
  return Absolute(info.dli_fname);
}

// Copies a module's name as GetModuleFileName does: cut to size - 1 and
// terminated, with size as the result when it was cut.
template <class Char>
DWORD CopyModuleName(const std::basic_string<Char>& path, Char* name, DWORD size) {
  if (name == nullptr || size == 0) {
    last_error = kErrorInsufficientBuffer;
    return 0;
  }
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::copy_n(path.data(), copied, name);
  name[copied] = Char(0);
  if (copied < path.size()) {
    last_error = kErrorInsufficientBuffer;
    return size;
  }
  last_error = 0;
  return DWORD(copied);
}
}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size) {
  const std::string path = PathOf(module);
  if (path.empty()) {
    last_error = kErrorFileNotFound;
    return 0;
  }
  return CopyModuleName(path, name, size);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size) {
  const std::string path = PathOf(module);
  if (path.empty()) {
    last_error = kErrorFileNotFound;
    return 0;
  }
  // Bytes that are not UTF-8 have no UTF-16 form that would name the file again.
  const std::optional<std::u16string> wide = orlin::detail::Utf16FromUtf8(path);
  if (!wide) {
    last_error = kErrorNoUnicodeTranslation;
    return 0;
  }
  return CopyModuleName(*wide, name, size);
}

DWORD GetLastError() { return last_error; }

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr) {
    last_error = kErrorInvalidParameter;
    return nullptr;
  }
  void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    last_error = kErrorFileNotFound;
    return nullptr;
  }
  std::lock_guard lock(loaded_mutex);
  LoadedLibrary& loaded = Loaded()[handle];
  loaded.path = Absolute(fileName);
  ++loaded.loads;
  return handle;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  void* symbol = dlsym(module, name);
  // POSIX lets a symbol's address be taken as a function pointer.
  FARPROC function = nullptr;
  static_assert(sizeof function == sizeof symbol);
  std::memcpy(&function, &symbol, sizeof function);
  return function;
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr || dlclose(module) != 0) return FALSE;
  std::lock_guard lock(loaded_mutex);
  const auto found = Loaded().find(module);
  if (found != Loaded().end() && --found->second.loads == 0) Loaded().erase(found);
  return TRUE;
}

HMODULE LoadLibraryExW(LPCWSTR fileName, void* file, DWORD) {
  if (fileName == nullptr || file != nullptr) {
    last_error = kErrorInvalidParameter;
    return nullptr;
  }
  HMODULE module = LoadLibraryA(orlin::detail::Utf16ToUtf8(fileName).c_str());
  if (module == nullptr) last_error = ERROR_MOD_NOT_FOUND;
  return module;
}

UINT SetErrorMode(UINT mode) {
  static std::atomic<UINT> errorMode{0};
  return errorMode.exchange(mode);
}
