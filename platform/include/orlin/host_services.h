// The host objects that COM and DirectShow provide on Windows, supplied on Linux
// for our filter, orlin-view and the tests: an in-process class table behind
// CoCreateInstance, the memory allocator with its media samples, and a reference
// clock. On Windows the platform's own objects serve, so nothing is declared.
#pragma once

#include "orlin/dshow.h"

#ifndef _WIN32
#include <string>

namespace orlin {

// Creates an object of one class and asks it for riid; clears *object first and
// refuses an outer object it cannot be aggregated by (CLASS_E_NOAGGREGATION).
using InProcessClassFactory = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

// Makes CoCreateInstance serve clsid from this process. S_OK for a new class,
// S_FALSE when it replaced an earlier registration, E_INVALIDARG for no factory.
// The memory allocator, system clock, filter mapper 2 and system device
// enumerator are registered from the start.
HRESULT RegisterInProcessClass(REFCLSID clsid, InProcessClassFactory create);
// S_OK when the class was registered, S_FALSE when it was not.
HRESULT UnregisterInProcessClass(REFCLSID clsid);

// The factories of the classes registered from the start.
HRESULT CreateMemoryAllocator(IUnknown* outer, REFIID riid, void** object);
HRESULT CreateSystemClock(IUnknown* outer, REFIID riid, void** object);
// CLSID_FilterMapper2 and CLSID_SystemDeviceEnum over the PC hive.
HRESULT CreateFilterMapper2(IUnknown* outer, REFIID riid, void** object);
HRESULT CreateSystemDeviceEnum(IUnknown* outer, REFIID riid, void** object);

// Why the last load of a registered in-process server failed on this thread
// (the library's path and the loader's message), for a host's error text.
std::string InProcessServerError();

}  // namespace orlin
#endif
