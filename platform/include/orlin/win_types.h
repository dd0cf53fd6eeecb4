// The Win32 base types and the wide-text literal that the whole tree uses.
// On Windows they come from the SDK; on Linux this is the least subset our code
// needs, with WCHAR as char16_t (UTF-16, as on Windows; never -fshort-wchar).
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Wide text literal: L"..." on Windows.
#define ORLIN_TEXT(s) L##s
#else
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using HRESULT = std::int32_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using PVOID = void*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Wide text literal: u"..." (UTF-16) on Linux.
#define ORLIN_TEXT(s) u##s
#endif
