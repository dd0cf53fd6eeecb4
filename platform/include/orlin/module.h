// Loaded modules and their file names: the handle a library gets at load time and the file it was
// loaded from (what an in-process server registers as its InprocServer32).
// On Windows the SDK declares them; on Linux a module handle is any address
// inside the module, and a null handle stands for the program.
#pragma once

#include "orlin/win_types.h"

#ifndef _WIN32
using HMODULE = void*;
using HINSTANCE = HMODULE;

// Characters copied, without the terminator; the name is cut to size - 1
// characters (ERROR_INSUFFICIENT_BUFFER) and always terminated. 0 on failure,
// with GetLastError telling why.
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);
// The last failure of a call here on this thread.
DWORD GetLastError();

// Loads a shared object by path (dlopen); null on failure.
HMODULE LoadLibraryA(LPCSTR fileName);
using FARPROC = void (*)();
// An exported function of a loaded module, or null.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// The ANSI code page: UTF-8 here.
#define CP_ACP 0u
// Narrow text to UTF-16. A length of -1 converts through the terminator. With
// no room (wideChars 0) gives the characters needed; 0 when they do not fit.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                        int wideChars);
#endif
