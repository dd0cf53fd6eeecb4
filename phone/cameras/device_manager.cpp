#include "phone/cameras/device_manager.h"

#include <cstring>
#include <new>
#include <string>

#include "phone/cameras/camera_catalogue.h"

namespace orlin::phone {
namespace {

constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorNoMoreItems = 259;
constexpr DWORD kErrorOutOfMemory = 14;

thread_local DWORD lastSearchError = 0;

// One search: the device it reported (the handle the record points at).
struct Search {
  std::string name;
};

// UTF-8 to UTF-16; false when the text does not fit `capacity` units with
// its terminator or is not UTF-8.
bool ToWide(const std::string& text, WCHAR* out, int capacity) {
  int length = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0)) {
      return false;  // a stray continuation byte, or a sequence cut short
    }
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      if (length + 2 >= capacity) return false;
      out[length++] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
      out[length++] = static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      if (length + 1 >= capacity) return false;
      out[length++] = static_cast<WCHAR>(c);
    }
  }
  out[length] = 0;
  return true;
}

DeviceSearch Fail(DWORD error) {
  lastSearchError = error;
  return nullptr;
}

}  // namespace

DeviceSearch FindFirstDevice(DeviceSearchType searchType, const void* searchParam,
                             DEVMGR_DEVICE_INFORMATION* info) {
  if (info == nullptr || info->dwSize != sizeof(DEVMGR_DEVICE_INFORMATION) ||
      searchType != DeviceSearchByGuid || searchParam == nullptr ||
      !IsEqualGUID(*static_cast<const GUID*>(searchParam), DEVCLASS_CAMERA_GUID)) {
    return Fail(kErrorInvalidParameter);
  }
  for (const std::string& name : cameras::ListCameras()) {
    DEVMGR_DEVICE_INFORMATION found{};
    found.dwSize = sizeof found;
    if (!ToWide(name, found.szLegacyName, kDeviceNameChars)) continue;  // no path fits
    std::memcpy(found.szDeviceName, found.szLegacyName, sizeof found.szDeviceName);
    Search* search = new (std::nothrow) Search{name};
    if (search == nullptr) return Fail(kErrorOutOfMemory);
    found.hDevice = search;
    *info = found;
    return search;
  }
  return Fail(kErrorNoMoreItems);
}

BOOL FindClose(DeviceSearch search) {
  if (search == nullptr) return FALSE;
  delete static_cast<Search*>(search);
  return TRUE;
}

DWORD DeviceSearchError() { return lastSearchError; }

}  // namespace orlin::phone
