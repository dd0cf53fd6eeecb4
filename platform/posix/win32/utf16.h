// UTF-16 text (WCHAR on Linux) to and from UTF-8, the text of stderr, the
// resolver, file names and the registry hive on disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "orlin/win_types.h"

namespace orlin::detail {

// Unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
// A null pointer gives an empty string.
std::string Utf16ToUtf8(LPCWSTR text);
// Invalid UTF-8 (overlong forms, surrogates, cut sequences) gives nullopt.
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

}  // namespace orlin::detail
