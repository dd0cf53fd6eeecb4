// The camera filter created in this process from the server's class object,
// as COM creates it once the library is loaded, for tests that host it.
#pragma once

#include "filter/com_server/server.h"
#include "orlin/com_ref.h"
#include "filter/orlin_filter.h"

namespace orlin::filter::test {

inline HRESULT CreateCameraFromClassObject(ComRef<IBaseFilter>& filter) {
  ComRef<IClassFactory> factory;
  const HRESULT hr =
      ServerGetClassObject(CLSID_OrlinCamera, IID_IClassFactory, factory.ReceiveVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid());
}

}  // namespace orlin::filter::test
