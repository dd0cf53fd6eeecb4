// The device manager the capture asks for the phone's camera device, with the
// names the capture calls. On Linux its devices are the cameras of the
// catalogue (camera_catalogue.h), and a device's legacy name is the camera's
// name, which the capture filter opens.
#pragma once

#include "orlin/com.h"

namespace orlin::phone {

// The class of camera devices.
inline constexpr GUID DEVCLASS_CAMERA_GUID = {0xcb998a05, 0x122c, 0x4166,
                                              {0x84, 0x6a, 0x93, 0x3e, 0x4d, 0x7e, 0x3c, 0x86}};

enum DeviceSearchType {
  DeviceSearchByLegacyName,
  DeviceSearchByDeviceName,
  DeviceSearchByBusName,
  DeviceSearchByGuid,
  DeviceSearchByParent
};

// Camera names are paths here, so every name field holds a whole path.
inline constexpr int kDeviceNameChars = 260;

struct DEVMGR_DEVICE_INFORMATION {
  DWORD dwSize;  // set by the caller to the size of the record
  void* hDevice;
  void* hParentDevice;
  WCHAR szLegacyName[kDeviceNameChars];
  WCHAR szDeviceKey[kDeviceNameChars];
  WCHAR szDeviceName[kDeviceNameChars];
  WCHAR szBusName[kDeviceNameChars];
};

using DeviceSearch = void*;

// Starts a search and describes its first device. Null when there is none or
// the arguments are wrong; DeviceSearchError then tells why.
DeviceSearch FindFirstDevice(DeviceSearchType searchType, const void* searchParam,
                             DEVMGR_DEVICE_INFORMATION* info);
// Ends a search; false for a null search.
BOOL FindClose(DeviceSearch search);
// The Win32 error of this thread's last failed search (the GetLastError value).
DWORD DeviceSearchError();

}  // namespace orlin::phone
