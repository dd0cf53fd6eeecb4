// The face of an object that owns pins without being a filter in a graph: it
// answers IUnknown, IPersist, IMediaFilter and IBaseFilter through its one
// IBaseFilter table, and E_NOTIMPL to every filter call it does not override.
// The reference count is the object's own.
#pragma once

#include "orlin/dshow.h"

namespace orlin {

class FilterFace : public IBaseFilter {
 public:
  // IUnknown: only the interfaces this table really is; handing it out for any
  // other would let a caller invoke methods the table does not have.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPersist) &&
        !IsEqualIID(riid, IID_IMediaFilter) && !IsEqualIID(riid, IID_IBaseFilter)) {
      return E_NOINTERFACE;
    }
    *ppvObject = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }

  // IMediaFilter
  HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }

  // IBaseFilter
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 protected:
  FilterFace() = default;
  ~FilterFace() = default;
  FilterFace(const FilterFace&) = delete;
  FilterFace& operator=(const FilterFace&) = delete;
};

}  // namespace orlin
