// Reference counting and aggregation. Every interface face of a framework object
// forwards QueryInterface, AddRef and Release to the owner: the outer object
// when aggregated, else the object's own non-delegating face.
#pragma once

#include <atomic>

#include "filter/framework/base_object.h"
#include "orlin/com.h"

namespace orlin::framework {

struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;

 protected:
  ~INonDelegatingUnknown() = default;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
 public:
  // outer: the aggregating object, or null for a standalone object.
  CUnknown(const WCHAR* name, IUnknown* outer);
  virtual ~CUnknown();

  // INonDelegatingUnknown
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  IUnknown* GetOwner() const { return owner_; }
  // The non-delegating face as an IUnknown, for an aggregator to hold.
  IUnknown* NonDelegatingFace() { return &face_; }

 protected:
  // Hands out one face with a reference added through that face's own AddRef.
  static HRESULT GetInterface(IUnknown* face, void** ppv);

 private:
  // The non-delegating face seen through IUnknown's layout: an object of its own
  // rather than a reinterpretation of INonDelegatingUnknown.
  class Face final : public IUnknown {
   public:
    explicit Face(CUnknown* self) : self_(self) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      return self_->NonDelegatingQueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return self_->NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return self_->NonDelegatingRelease(); }

   private:
    CUnknown* self_;
  };

  Face face_;
  IUnknown* const owner_;

 protected:
  std::atomic<LONG> ref_count_{0};
};

// The IUnknown methods of every interface face of a CUnknown-derived class.
#define ORLIN_DECLARE_IUNKNOWN                                                   \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {   \
    return GetOwner()->QueryInterface(riid, ppv);                                \
  }                                                                              \
  ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }     \
  ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }

}  // namespace orlin::framework
