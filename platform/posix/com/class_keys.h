// Key names under HKEY_CLASSES_ROOT that COM and the filter mapper share:
// "CLSID\{class}" for a class, "CLSID\{category}\Instance\{name}" for a
// filter entered in a category.
#pragma once

#include <string>

#include "orlin/com.h"
#include "orlin/registry.h"

namespace orlin::detail {

// The braced form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
inline std::u16string GuidText(REFGUID guid) {
  WCHAR text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

inline std::u16string ClassKeyPath(REFCLSID clsid) { return u"CLSID\\" + GuidText(clsid); }

inline std::u16string CategoryInstancesPath(REFCLSID category) {
  return ClassKeyPath(category) + u"\\Instance";
}

inline std::u16string InstanceKeyPath(REFCLSID category, const std::u16string& instance) {
  return CategoryInstancesPath(category) + u"\\" + instance;
}

// A REG_SZ value of an open key; the size counts the terminator.
inline LSTATUS SetStringValue(HKEY key, LPCWSTR name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

// A REG_SZ value of an open key as text; false when absent or of another type.
inline bool QueryStringValue(HKEY key, LPCWSTR name, std::u16string& text) {
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::u16string buffer(bytes / sizeof(WCHAR) + 1, u'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(bytes / sizeof(WCHAR));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  text = std::move(buffer);
  return true;
}

}  // namespace orlin::detail
