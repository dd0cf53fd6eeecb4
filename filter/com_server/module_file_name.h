// The file an in-process server was loaded from, whole: what registration
// records as its InprocServer32. A name cut to a buffer, or narrowed to a code
// page, would register a server COM cannot load.
#pragma once

#include <string>

#include "orlin/com.h"
#include "orlin/module.h"

#ifdef _WIN32
#include <olectl.h>  // SELFREG_E_CLASS
#endif

namespace orlin::filter {

// The longest path Windows has (the "\\?\" form), terminator included.
inline constexpr DWORD kLongestModulePath = 32768;

// The module's file name in full, the buffer growing from MAX_PATH up to limit
// characters (terminator included). SELFREG_E_CLASS when the name would not fit
// in limit; the system's error when there is no name. On failure name is left
// as it was.
HRESULT ModuleFileName(HMODULE module, std::basic_string<WCHAR>& name,
                       DWORD limit = kLongestModulePath);

}  // namespace orlin::filter
