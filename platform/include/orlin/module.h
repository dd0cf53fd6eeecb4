// Loaded modules and their file names: the handle a library gets at load time and the file it was
// loaded from (what an in-process server registers as its InprocServer32).
// On Windows the SDK declares them; on Linux a module handle is any address
// inside the module, and a null handle stands for the program.
#pragma once

#include "orlin/win_types.h"

#ifndef _WIN32
using HMODULE = void*;
using HINSTANCE = HMODULE;

// The module's file, as Windows gives it: characters copied, without the
// terminator. A name that does not fit is cut to size - 1 characters and
// terminated, and the result is size (ERROR_INSUFFICIENT_BUFFER), so a caller
// tells a cut name by result == size. 0 on failure, with GetLastError telling
// why. The A form gives the file system's bytes (UTF-8); the W form gives
// UTF-16 and fails (ERROR_NO_UNICODE_TRANSLATION) on a name that is not UTF-8.
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size);
// The last failure of a call here on this thread.
DWORD GetLastError();

// Loads a shared object by path (dlopen); null on failure.
HMODULE LoadLibraryA(LPCSTR fileName);
using FARPROC = void (*)();
// An exported function of a loaded module, or null.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// Loads a shared object by name or path, as LoadLibraryA, for a program that
// names its library in UTF-16. The file handle must be null; the flags are
// accepted and change nothing (the search is dlopen's: a bare name is looked
// for in LD_LIBRARY_PATH and the program's run path). On failure null, with
// GetLastError ERROR_MOD_NOT_FOUND (126), as Windows reports a missing library.
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008u
#define ERROR_MOD_NOT_FOUND 126u
HMODULE LoadLibraryExW(LPCWSTR fileName, void* file, DWORD flags);

// No system error boxes exist here to suppress: accepted, returns the old mode.
#define SEM_FAILCRITICALERRORS 0x0001u
UINT SetErrorMode(UINT mode);

#endif
