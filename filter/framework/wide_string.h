// Owned copies of wide strings for names, and their bounded copies into the
// fixed arrays of FILTER_INFO and PIN_INFO.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "orlin/com.h"

namespace orlin::framework {

using WideChars = std::unique_ptr<WCHAR[]>;

inline std::size_t WideLength(const WCHAR* text) { return std::char_traits<WCHAR>::length(text); }

// A copy of text, or none when text is null or memory ran out (out_of_memory set).
WideChars CopyWide(const WCHAR* text, bool* out_of_memory);

// Copies at most capacity - 1 characters and a terminator; an empty string for none.
void CopyWideBounded(WCHAR* target, std::size_t capacity, const WCHAR* text);

}  // namespace orlin::framework
