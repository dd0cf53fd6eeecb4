// What the library's four exports do, kept here so that tests can call it
// directly as well as through the library.
#pragma once

#include "orlin/com.h"

namespace orlin::filter {

HRESULT ServerRegister();
HRESULT ServerUnregister();
HRESULT ServerGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
HRESULT ServerCanUnloadNow();
// The entry point's work at load (TRUE) and unload (FALSE).
void ServerProcessAttach(BOOL attach);

}  // namespace orlin::filter
