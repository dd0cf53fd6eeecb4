// The IUnknown of a Linux host object that offers one interface, and its
// creation for the class table: written once for the mapper, the device
// enumerator and their helpers.
#pragma once

#include <atomic>
#include <new>

#include "orlin/com.h"

namespace orlin::posix {

template <class Interface, const IID& kInterfaceId>
class SingleInterfaceObject : public Interface {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, kInterfaceId)) return E_NOINTERFACE;
    *ppvObject = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  SingleInterfaceObject() = default;
  virtual ~SingleInterfaceObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};

// A class-table factory for T: no aggregation, the interface the caller asks.
template <class T>
HRESULT CreateSingleInterfaceObject(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* created = new (std::nothrow) T;
  if (created == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace orlin::posix
