#include "orlin/thread_apartment.h"

#ifdef _WIN32
#include <objbase.h>
#include <windows.h>
#endif

namespace orlin {

#ifdef _WIN32
ThreadApartment::ThreadApartment() {
  HRESULT hr = E_FAIL;
  if (HMODULE ole32 = GetModuleHandleW(L"ole32.dll")) {
    using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
    // Through a plain function pointer type: GetProcAddress gives a generic one.
    auto generic = reinterpret_cast<void (*)()>(GetProcAddress(ole32, "CoInitializeEx"));
    if (generic != nullptr) {
      hr = reinterpret_cast<CoInitializeExFn>(generic)(nullptr, COINIT_DISABLE_OLE1DDE);
    }
  }
  joined_ = SUCCEEDED(hr);
}

ThreadApartment::~ThreadApartment() {
  if (joined_) CoUninitialize();
}
#else
ThreadApartment::ThreadApartment() = default;
ThreadApartment::~ThreadApartment() = default;
#endif

}  // namespace orlin
