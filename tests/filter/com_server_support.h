// Shared by the COM server tests: an outer object to aggregate the filter, and
// the registry reads that check what registration wrote.
#pragma once

#include <atomic>
#include <string>

#include "orlin/com.h"
#include "orlin/registry.h"

namespace orlin::filter::test {

// An object that aggregates nothing itself; it only has to be a distinct IUnknown.
class OuterObject final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs_); }
  LONG References() const { return refs_.load(); }

 private:
  std::atomic<LONG> refs_{1};
};

inline constexpr WCHAR kClassKey[] =
    ORLIN_TEXT("CLSID\\{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}");
inline constexpr WCHAR kServerKey[] =
    ORLIN_TEXT("CLSID\\{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}\\InprocServer32");

// A REG_SZ value under HKEY_CLASSES_ROOT as UTF-8-free wide text; "<missing>"
// when the key or value is not there.
inline std::basic_string<WCHAR> ReadClassesString(LPCWSTR key, LPCWSTR value) {
  platform::RegistryKey opened;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS) {
    return ORLIN_TEXT("<missing>");
  }
  // Sized by the value: a server's path may be longer than MAX_PATH.
  DWORD bytes = 0;
  DWORD type = 0;
  if (RegQueryValueExW(opened.Get(), value, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return ORLIN_TEXT("<missing>");
  }
  std::basic_string<WCHAR> text(bytes / sizeof(WCHAR) + 1, WCHAR(0));
  if (RegQueryValueExW(opened.Get(), value, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                       &bytes) != ERROR_SUCCESS) {
    return ORLIN_TEXT("<missing>");
  }
  text.resize(std::char_traits<WCHAR>::length(text.c_str()));
  return text;
}

inline bool ClassesKeyExists(LPCWSTR key) {
  platform::RegistryKey opened;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
}

// Narrow text as the wide text a registry value holds.
inline std::basic_string<WCHAR> Widen(const std::string& text) {
  return std::basic_string<WCHAR>(text.begin(), text.end());
}

}  // namespace orlin::filter::test
