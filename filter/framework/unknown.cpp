#include "filter/framework/unknown.h"

#include <algorithm>

#include "orlin/dshow.h"

namespace orlin::framework {

CUnknown::CUnknown(const WCHAR* name, IUnknown* outer)
    : CBaseObject(name), face_(this), owner_(outer != nullptr ? outer : &face_) {}

CUnknown::~CUnknown() = default;

HRESULT CUnknown::GetInterface(IUnknown* face, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = face;
  face->AddRef();
  return S_OK;
}

// ---- INonDelegatingUnknown ----

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown)) return GetInterface(&face_, ppv);
  return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
  const LONG count = ref_count_.fetch_add(1) + 1;
  return std::max(static_cast<ULONG>(count), ULONG{1});
}

ULONG CUnknown::NonDelegatingRelease() {
  const LONG count = ref_count_.fetch_sub(1) - 1;
  if (count == 0) {
    // References taken and dropped while the object is destroyed must not
    // destroy it a second time.
    ref_count_.store(1);
    delete this;
    return 0;
  }
  return std::max(static_cast<ULONG>(count), ULONG{1});
}

}  // namespace orlin::framework
