// The system device enumerator: lists the filters registered in a device
// category (video input devices) as monikers. On Windows it comes from the SDK
// (link strmiids); on Linux this is the SDK's declaration with the real
// identifier values, and host_services.h serves the class.
#pragma once

#include "orlin/filter_mapper.h"

#ifndef _WIN32
// Flags of CreateClassEnumerator.
#define CDEF_DEVMON_FILTER 0x2

struct ICreateDevEnum : public IUnknown {
  // S_FALSE with a null enumerator when the category holds no device.
  virtual HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID clsidDeviceClass,
                                                          IEnumMoniker** ppEnumMoniker,
                                                          DWORD dwFlags) = 0;
};

inline constexpr IID IID_ICreateDevEnum = {0x29840822, 0x5b84, 0x11d0,
                                           {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
inline constexpr CLSID CLSID_SystemDeviceEnum = {
    0x62be5d10, 0x60eb, 0x11d0, {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
#endif
