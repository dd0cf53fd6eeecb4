#include "filter/com_server/class_factory.h"

namespace orlin::filter {

using framework::CUnknown;
using framework::CBaseObject;

std::atomic<LONG> CClassFactory::locks_{0};

CClassFactory::CClassFactory(const CFactoryTemplate* entry)
    : CBaseObject(ORLIN_TEXT("Class factory")), entry_(entry) {}

// ---- IClassFactory ----

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  // An aggregated object hands out only its non-delegating IUnknown.
  if (pUnkOuter != nullptr && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;

  HRESULT hr = S_OK;
  CUnknown* object = entry_->create(pUnkOuter, &hr);
  if (object == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  if (FAILED(hr)) {
    delete object;
    return hr;
  }
  // A refused query leaves the count at 0, so the release destroys the object.
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(riid, ppvObject);
  object->NonDelegatingRelease();
  return hr;
}

HRESULT CClassFactory::LockServer(BOOL fLock) {
  if (fLock) {
    ++locks_;
  } else {
    --locks_;
  }
  return S_OK;
}

}  // namespace orlin::filter
