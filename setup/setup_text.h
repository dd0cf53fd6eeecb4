// Wide text for the setup program: the string table (built in, for the
// terminal program and tests; the Windows program loads its resources) and
// the expansion of "%1" and "%2" in its messages.
#pragma once

#include <cstddef>
#include <string>

#include "orlin/win_types.h"

namespace orlin::setup {

using WideText = std::basic_string<WCHAR>;

// Room of the message buffers, terminator included.
inline constexpr std::size_t kMessageChars = 1024;
// Room of the caption buffer, terminator included.
inline constexpr std::size_t kCaptionChars = 100;

// ASCII text as wide text.
WideText Widen(const char* text);
// Wide text for a terminal: ASCII as it is, anything else as '?'.
std::string Narrow(const WideText& text);

// The text of string `id` (1 to 6) as the resource script holds it; empty for
// any other id, as a missing resource string loads.
WideText BuiltInString(unsigned id);

// Copies `text`, replacing "%1" by `first` and "%2" by `second`; a "%" before
// any other character, or at the end, is copied as it stands. The result is
// cut to `capacity` - 1 characters, so it always fits the message buffer.
WideText ExpandText(const WideText& text, const WideText& first, const WideText& second,
                    std::size_t capacity = kMessageChars);

}  // namespace orlin::setup
