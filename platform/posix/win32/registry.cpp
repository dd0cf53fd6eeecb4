// The Win32 registry calls over the hive file. One lock guards the open
// handles and the hive; every call sees the file as it is now and every change
// is saved before the call returns, so two processes (the setup tool writing,
// a filter reading) meet in the file as they would in the Windows registry.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "orlin/registry.h"
#include "platform/posix/win32/registry_calls.h"
#include "platform/posix/win32/registry_file.h"
#include "platform/posix/win32/registry_hive.h"

using orlin::platform::registry::Hive;
using orlin::platform::registry::KeyPath;
using orlin::platform::registry::Node;
using orlin::platform::registry::TheHiveFile;

// A handle names its key by path, so a key deleted or changed by another
// process is found (or missed) as it is now.
struct OrlinRegistryKey {
  KeyPath path;
  REGSAM access;
};

namespace {

std::mutex g_mutex;
std::unordered_set<HKEY> g_handles;
thread_local REGSAM g_last_requested_access = 0;

struct KeyRef {
  KeyPath path;
  REGSAM access = 0;
  bool predefined = false;
};

bool Resolve(HKEY key, KeyRef& ref) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) {
    ref.path = key == HKEY_CLASSES_ROOT ? orlin::platform::registry::ClassesRootPath() : KeyPath{};
    ref.access = KEY_ALL_ACCESS;
    ref.predefined = true;
    return true;
  }
  if (key == nullptr || !g_handles.contains(key)) return false;
  ref.path = key->path;
  ref.access = key->access;
  ref.predefined = false;
  return true;
}

// The rights a handle holds; the view bits name no right.
REGSAM Effective(REGSAM access) {
  access &= ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  return (access & MAXIMUM_ALLOWED) != 0 ? (access | KEY_ALL_ACCESS) & ~MAXIMUM_ALLOWED : access;
}

KeyPath Join(const KeyPath& base, LPCWSTR subKey) {
  KeyPath path = base;
  if (subKey != nullptr) {
    for (auto& part : orlin::platform::registry::SplitPath(subKey)) path.push_back(std::move(part));
  }
  return path;
}

// The node of a handle's own key. A predefined root that the file does not
// hold yet reads as an empty key; an open key that has gone is ERROR_KEY_DELETED.
LSTATUS FindKey(Hive& hive, const KeyRef& ref, Node*& node) {
  node = hive.Find(ref.path);
  if (node == nullptr && !ref.predefined) return ERROR_KEY_DELETED;
  return ERROR_SUCCESS;
}

HKEY NewHandle(KeyPath path, REGSAM access) {
  auto* key = new OrlinRegistryKey{std::move(path), Effective(access)};
  g_handles.insert(key);
  return key;
}

std::vector<std::uint8_t> StringBytes(LPCWSTR text) {
  std::vector<std::uint8_t> bytes;
  for (const WCHAR* c = text;; ++c) {
    bytes.push_back(std::uint8_t(*c & 0xFF));
    bytes.push_back(std::uint8_t(*c >> 8));
    if (*c == 0) break;
  }
  return bytes;
}

}  // namespace

REGSAM orlin::platform::registry::LastRequestedAccess() { return g_last_requested_access; }

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) {
  g_last_requested_access = access;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  Hive& hive = TheHiveFile().Current();
  Node* base = nullptr;
  if (const LSTATUS status = FindKey(hive, ref, base); status != ERROR_SUCCESS) return status;
  KeyPath path = Join(ref.path, subKey);
  if (hive.Find(path) == nullptr && !(ref.predefined && path == ref.path)) return ERROR_FILE_NOT_FOUND;
  *result = NewHandle(std::move(path), access);
  return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*keyClass*/,
                        DWORD /*options*/, REGSAM access, const void* /*securityAttributes*/,
                        PHKEY result, LPDWORD disposition) {
  g_last_requested_access = access;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  auto& file = TheHiveFile();
  Hive& hive = file.Current();
  Node* base = nullptr;
  if (const LSTATUS status = FindKey(hive, ref, base); status != ERROR_SUCCESS) return status;
  KeyPath path = Join(ref.path, subKey);
  DWORD outcome = REG_OPENED_EXISTING_KEY;
  if (hive.Find(path) == nullptr) {
    if ((ref.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
    if (const LSTATUS status = file.CheckWritable(); status != ERROR_SUCCESS) return status;
    hive.Ensure(path);
    if (const LSTATUS status = file.Save(); status != ERROR_SUCCESS) return status;
    outcome = REG_CREATED_NEW_KEY;
  }
  if (disposition != nullptr) *disposition = outcome;
  *result = NewHandle(std::move(path), access);
  return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  return RegCreateKeyExW(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr,
                         result, nullptr);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataBytes) {
  if (reserved != nullptr || (data != nullptr && dataBytes == nullptr)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  if ((ref.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  Node* node = nullptr;
  if (const LSTATUS status = FindKey(TheHiveFile().Current(), ref, node); status != ERROR_SUCCESS) {
    return status;
  }
  const auto* value = node != nullptr ? node->FindValue(valueName != nullptr ? valueName : u"") : nullptr;
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  const auto size = static_cast<DWORD>(value->data.size());
  if (data != nullptr) {
    // As on Windows: a buffer too small for the value gets nothing, the caller the size.
    if (*dataBytes < size) {
      *dataBytes = size;
      return ERROR_MORE_DATA;
    }
    if (size > 0) std::memcpy(data, value->data.data(), size);
  }
  if (dataBytes != nullptr) *dataBytes = size;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataBytes) {
  if (reserved != 0 || (data == nullptr && dataBytes > 0)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  if ((ref.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  auto& file = TheHiveFile();
  Hive& hive = file.Current();
  Node* node = nullptr;
  if (const LSTATUS status = FindKey(hive, ref, node); status != ERROR_SUCCESS) return status;
  if (const LSTATUS status = file.CheckWritable(); status != ERROR_SUCCESS) return status;
  if (node == nullptr) node = &hive.Ensure(ref.path);
  node->SetValue(valueName != nullptr ? valueName : u"", type,
                 std::vector<std::uint8_t>(data, data + dataBytes));
  return file.Save();
}

LSTATUS RegSetValueW(HKEY key, LPCWSTR subKey, DWORD type, LPCWSTR data, DWORD /*dataBytes*/) {
  if (type != REG_SZ || data == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  auto& file = TheHiveFile();
  Hive& hive = file.Current();
  Node* base = nullptr;
  if (const LSTATUS status = FindKey(hive, ref, base); status != ERROR_SUCCESS) return status;
  const KeyPath path = Join(ref.path, subKey);
  const bool own = path == ref.path;
  if (own && (ref.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (!own && hive.Find(path) == nullptr && (ref.access & KEY_CREATE_SUB_KEY) == 0) {
    return ERROR_ACCESS_DENIED;
  }
  if (const LSTATUS status = file.CheckWritable(); status != ERROR_SUCCESS) return status;
  hive.Ensure(path).SetValue(u"", REG_SZ, StringBytes(data));
  return file.Save();
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  const KeyPath path = Join(ref.path, subKey);
  if (path.empty() || (ref.predefined && path == ref.path)) return ERROR_ACCESS_DENIED;
  auto& file = TheHiveFile();
  Hive& hive = file.Current();
  const Node* node = hive.Find(path);
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!node->subkeys.empty()) return ERROR_ACCESS_DENIED;  // as Windows: leaves first
  if (const LSTATUS status = file.CheckWritable(); status != ERROR_SUCCESS) return status;
  hive.Find(KeyPath(path.begin(), path.end() - 1))->subkeys.erase(path.back());
  return file.Save();
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  if ((ref.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  auto& file = TheHiveFile();
  Hive& hive = file.Current();
  Node* node = nullptr;
  if (const LSTATUS status = FindKey(hive, ref, node); status != ERROR_SUCCESS) return status;
  const std::u16string_view name = valueName != nullptr ? valueName : u"";
  if (node == nullptr || node->FindValue(name) == nullptr) return ERROR_FILE_NOT_FOUND;
  if (const LSTATUS status = file.CheckWritable(); status != ERROR_SUCCESS) return status;
  node->DeleteValue(name);
  return file.Save();
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                      LPWSTR keyClass, LPDWORD classChars, PFILETIME lastWriteTime) {
  if (name == nullptr || nameChars == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(g_mutex);
  KeyRef ref;
  if (!Resolve(key, ref)) return ERROR_INVALID_HANDLE;
  if ((ref.access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  Node* node = nullptr;
  if (const LSTATUS status = FindKey(TheHiveFile().Current(), ref, node); status != ERROR_SUCCESS) {
    return status;
  }
  if (node == nullptr || index >= node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::u16string& child = std::next(node->subkeys.begin(), index)->second->name;
  if (child.size() + 1 > *nameChars) return ERROR_MORE_DATA;
  std::copy(child.begin(), child.end(), name);
  name[child.size()] = u'\0';
  *nameChars = static_cast<DWORD>(child.size());
  if (keyClass != nullptr && classChars != nullptr && *classChars > 0) keyClass[0] = u'\0';
  if (classChars != nullptr) *classChars = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  std::lock_guard lock(g_mutex);
  if (g_handles.erase(key) == 0) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}
