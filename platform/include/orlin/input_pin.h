// The two faces of an input pin that takes samples (IPin and IMemInputPin,
// one identity), with the answers our input pins give alike; a pin overrides
// what it answers otherwise. The reference count is the pin's own, or
// CountedInputPin's for a pin that lives on the heap.
#pragma once

#include <atomic>

#include "orlin/dshow.h"

namespace orlin {

class InputPin : public IPin, public IMemInputPin {
 public:
  // IUnknown: IUnknown and IPin through the IPin face, IMemInputPin through its own.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
      *ppvObject = static_cast<IPin*>(this);
    } else if (IsEqualIID(riid, IID_IMemInputPin)) {
      *ppvObject = static_cast<IMemInputPin*>(this);
    } else {
      return E_NOINTERFACE;
    }
    static_cast<IPin*>(this)->AddRef();
    return S_OK;
  }

  // IPin
  // An input pin is connected to; it never connects.
  HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override {
    if (pPinDir == nullptr) return E_POINTER;
    *pPinDir = PINDIR_INPUT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
  // No preference: the source proposes its own types.
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  // Stream notifications pass through: nothing is downstream to tell.
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override {
    return S_OK;
  }

 protected:
  InputPin() = default;
  ~InputPin() = default;
  InputPin(const InputPin&) = delete;
  InputPin& operator=(const InputPin&) = delete;
};

// An input pin on the heap: its creator holds the first reference, and the
// last Release deletes it.
class CountedInputPin : public InputPin {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  LONG References() const { return static_cast<LONG>(references_.load()); }

 protected:
  CountedInputPin() = default;
  virtual ~CountedInputPin() = default;

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace orlin
