#include "filter/com_server/module_file_name.h"

#include <algorithm>
#include <utility>

namespace orlin::filter {

HRESULT ModuleFileName(HMODULE module, std::basic_string<WCHAR>& name, DWORD limit) {
  constexpr DWORD kMaxPath = 260;
  std::basic_string<WCHAR> buffer;
  for (DWORD size = std::min(kMaxPath, limit); size > 0;
       size = size > limit / 2 ? limit : size * 2) {
    buffer.assign(size, WCHAR(0));
    const DWORD length = GetModuleFileNameW(module, buffer.data(), size);
    if (length == 0) {
      const DWORD error = GetLastError();
      return error != 0 ? HRESULT_FROM_WIN32(error) : SELFREG_E_CLASS;
    }
    // A name that fills the buffer was cut (Windows XP leaves it unterminated).
    if (length < size) {
      buffer.resize(length);
      name = std::move(buffer);
      return S_OK;
    }
    if (size == limit) break;
  }
  return SELFREG_E_CLASS;
}

}  // namespace orlin::filter
