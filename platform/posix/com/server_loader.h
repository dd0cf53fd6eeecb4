// In-process servers registered in the hive: a class not served by this
// process is looked up under HKCR\CLSID\{class}\InprocServer32, whose default
// value names a shared library with the four COM exports. The library is
// loaded on first use and stays loaded until CoFreeUnusedLibraries finds that
// its DllCanUnloadNow allows it.
#pragma once

#include <string>

#include "orlin/com.h"

namespace orlin::detail {

// REGDB_E_CLASSNOTREG when the class has no InprocServer32 path; 0x8007007E
// when the library cannot be loaded; CO_E_ERRORINDLL when it lacks
// DllGetClassObject; else the result of the factory's CreateInstance.
HRESULT CreateFromRegisteredServer(REFCLSID clsid, IUnknown* outer, REFIID riid, void** object);

}  // namespace orlin::detail
