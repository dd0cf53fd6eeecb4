// The camera filter created in this process from the server's class object,
// as COM creates it once the library is loaded, for tests that host it.
#pragma once

#include "filter/com_server/server.h"
#include "filter/framework/com_ptr.h"
#include "filter/orlin_filter.h"

namespace orlin::filter::test {

inline HRESULT CreateCameraFromClassObject(ComPtr<IBaseFilter>& filter) {
  ComPtr<IClassFactory> factory;
  const HRESULT hr =
      ServerGetClassObject(CLSID_OrlinCamera, IID_IClassFactory, factory.ReleaseAndGetVoidAddress());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
}

}  // namespace orlin::filter::test
