// UTF-16 text (WCHAR on Linux) to UTF-8, for stderr and the resolver.
#pragma once

#include <string>

#include "orlin/win_types.h"

namespace orlin::detail {

// Unpaired surrogates become U+FFFD. A null pointer gives an empty string.
std::string Utf16ToUtf8(LPCWSTR text);

}  // namespace orlin::detail
