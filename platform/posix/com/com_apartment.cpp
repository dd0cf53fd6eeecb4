// COM initialisation on Linux. There are no apartments to set up: every object
// here is free-threaded. Each thread's count is kept so that repeated
// initialisation answers S_FALSE as it does on Windows.
#include "orlin/com.h"

namespace {
thread_local int initialisations = 0;
}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD) { return initialisations++ == 0 ? S_OK : S_FALSE; }

HRESULT CoInitialize(LPVOID pvReserved) {
  return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
  if (initialisations > 0) --initialisations;
}

HRESULT OleInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

void OleUninitialize() { CoUninitialize(); }
