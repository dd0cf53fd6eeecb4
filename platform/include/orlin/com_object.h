// The IUnknown of a heap object, written once: a thread-safe reference count,
// and QueryInterface answering IID_IUnknown and each listed interface ID with
// the object's one interface face `Interface` (an object that answers
// IBaseFilter also answers IMediaFilter and IPersist through the same face).
// An object with a second face answers it from QueryOtherInterface.
#pragma once

#include <atomic>
#include <new>

#include "orlin/com.h"

namespace orlin {

template <class Interface, const IID&... kAnswered>
class ComObject : public Interface {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !(IsEqualIID(riid, kAnswered) || ...)) {
      return QueryOtherInterface(riid, ppvObject);
    }
    *ppvObject = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) LastReleased();
    return left;
  }

 protected:
  // The creator holds the first reference, unless the object says otherwise
  // (a pooled one that its pool hands out).
  explicit ComObject(ULONG references = 1) : references_(references) {}
  virtual ~ComObject() = default;

  // An interface ID other than IUnknown and the listed ones; *ppvObject is
  // already null. Whatever this hands out carries a reference.
  virtual HRESULT QueryOtherInterface(REFIID, void**) { return E_NOINTERFACE; }
  // The count reached zero; nothing of the object may be touched afterwards.
  virtual void LastReleased() { delete this; }

 private:
  std::atomic<ULONG> references_;
};

// A class-table factory for T: no aggregation, the interface the caller asks.
template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* created = new (std::nothrow) T;
  if (created == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace orlin
