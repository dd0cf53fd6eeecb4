// The registry: the Win32 API on Windows; on Linux the same names over a hive
// file in the ".reg" text format that a person can read and edit and regedit
// can import.
//
// Linux: HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT live in one file per program
// family; HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on
// Windows. Every call sees the file as it is on disk (another process may have
// written it) and every change is written back at once by an atomic replace.
// A malformed file is reported on stderr with its name and line, reads as an
// empty hive and refuses writes (ERROR_BADDB), so a typo never costs the
// settings that are in it.
#pragma once

#include <string>

#include "orlin/win_types.h"

#ifndef _WIN32
#include <cstdint>

struct OrlinRegistryKey;  // opaque; a handle made by RegOpenKeyExW / RegCreateKeyExW
using HKEY = OrlinRegistryKey*;
using PHKEY = HKEY*;
using LSTATUS = LONG;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;

// The predefined roots are fixed handle values, as on Windows.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

#ifndef ERROR_SUCCESS
#define ERROR_SUCCESS 0L
#endif
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BADDB 1009L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L

#define REG_NONE 0ul
#define REG_SZ 1ul
#define REG_EXPAND_SZ 2ul
#define REG_BINARY 3ul
#define REG_DWORD 4ul
#define REG_MULTI_SZ 7ul
#define REG_QWORD 11ul

#define REG_OPTION_NON_VOLATILE 0ul
#define REG_CREATED_NEW_KEY 1ul
#define REG_OPENED_EXISTING_KEY 2ul

#define KEY_QUERY_VALUE 0x0001ul
#define KEY_SET_VALUE 0x0002ul
#define KEY_CREATE_SUB_KEY 0x0004ul
#define KEY_ENUMERATE_SUB_KEYS 0x0008ul
#define KEY_NOTIFY 0x0010ul
#define KEY_READ 0x20019ul
#define KEY_WRITE 0x20006ul
#define KEY_ALL_ACCESS 0xF003Ful
#define MAXIMUM_ALLOWED 0x02000000ul
// The registry views of 64-bit Windows. There is one view here: accepted and
// ignored.
#define KEY_WOW64_64KEY 0x0100ul
#define KEY_WOW64_32KEY 0x0200ul

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                        REGSAM access, const void* securityAttributes, PHKEY result,
                        LPDWORD disposition);
LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataBytes);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataBytes);
// Sets the default value of subKey (created when missing); type must be REG_SZ.
LSTATUS RegSetValueW(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD dataBytes);
// Deletes subKey, which must have no subkeys of its own (else ERROR_ACCESS_DENIED).
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes one value of the key (nullptr or "": its default value);
// ERROR_FILE_NOT_FOUND when it has none of that name.
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classChars, PFILETIME lastWriteTime);
LSTATUS RegCloseKey(HKEY key);
#endif

namespace orlin::platform {

// The two machines of the system keep separate settings. On Linux both may run
// on one box, so each program picks its hive once at start, before any
// registry call; a process that picks nothing (a host that loads the filter)
// uses the PC's. On Windows the registry is the machine's and this is a no-op.
enum class RegistryHive { kPc, kPhone };
void SelectRegistryHive(RegistryHive hive);

// Linux: the file that the selected hive lives in: $ORLIN_PC_REGISTRY (or
// $ORLIN_PHONE_REGISTRY) when set, else $XDG_CONFIG_HOME/orlin/pc.reg (or
// phone.reg), with ~/.config for an unset XDG_CONFIG_HOME. Read anew at every
// call. Windows: empty.
std::string RegistryHiveFile();

// Owns one open key and closes it exactly once.
class RegistryKey {
 public:
  RegistryKey() = default;
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept : key_(other.Release()) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~RegistryKey() { Reset(); }

  HKEY Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  // For the out-parameter of the open and create calls; closes any key held.
  PHKEY Receive() {
    Reset();
    return &key_;
  }
  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void Reset(HKEY key = nullptr) {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = key;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace orlin::platform
