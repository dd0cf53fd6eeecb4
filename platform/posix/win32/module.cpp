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
#include <string>

#include "platform/posix/win32/utf16.h"

namespace {
thread_local DWORD last_error = 0;
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidParameter = 87;

// One code point from UTF-8 at text[i], advancing i; U+FFFD for a bad sequence.
char32_t DecodeOne(const unsigned char* text, std::size_t length, std::size_t& i) {
  const unsigned char lead = text[i++];
  if (lead < 0x80) return lead;
  int more = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
  if (more < 0 || lead >= 0xF5) return 0xFFFD;
  char32_t code = lead & (0x3F >> more);
  for (; more > 0; --more) {
    if (i >= length || (text[i] & 0xC0) != 0x80) return 0xFFFD;
    code = (code << 6) | (text[i++] & 0x3F);
  }
  return code;
}

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
}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size) {
  const std::string path = PathOf(module);
  if (path.empty()) {
    last_error = kErrorFileNotFound;
    return 0;
  }
  if (name == nullptr || size == 0) {
    last_error = kErrorInsufficientBuffer;
    return 0;
  }
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::memcpy(name, path.data(), copied);
  name[copied] = '\0';
  last_error = copied < path.size() ? kErrorInsufficientBuffer : 0;
  return DWORD(copied);
}

DWORD GetLastError() { return last_error; }

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int length, LPWSTR wide, int wideChars) {
  if (text == nullptr || length == 0 || length < -1 || wideChars < 0) {
    last_error = kErrorInvalidParameter;
    return 0;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const std::size_t count = length == -1 ? std::strlen(text) + 1 : std::size_t(length);
  int written = 0;
  for (std::size_t i = 0; i < count;) {
    const char32_t code = DecodeOne(bytes, count, i);
    const int units = code >= 0x10000 ? 2 : 1;
    if (wideChars != 0) {
      if (written + units > wideChars) {
        last_error = kErrorInsufficientBuffer;
        return 0;
      }
      if (units == 2) {
        wide[written] = WCHAR(0xD800 + ((code - 0x10000) >> 10));
        wide[written + 1] = WCHAR(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        wide[written] = WCHAR(code);
      }
    }
    written += units;
  }
  return written;
}

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
