#include "filter/framework/enum_media_types.h"

#include <climits>
#include <new>

#include "filter/framework/base_pin.h"
#include "filter/framework/media_type.h"

namespace orlin::framework {

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* source) : pin_(pin) {
  static_cast<IPin&>(*pin_).AddRef();
  if (source == nullptr) {
    version_ = pin_->GetMediaTypeVersion();
  } else {
    position_ = source->position_;
    version_ = source->version_;
  }
}

CEnumMediaTypes::~CEnumMediaTypes() { static_cast<IPin&>(*pin_).Release(); }

bool CEnumMediaTypes::OutOfSync() const { return pin_->GetMediaTypeVersion() != version_; }

// ---- IEnumMediaTypes ----

HRESULT CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) {
  if (ppMediaTypes == nullptr) return E_POINTER;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  if (pcFetched != nullptr) {
    *pcFetched = 0;
  } else if (cMediaTypes > 1) {
    return E_INVALIDARG;
  }
  ULONG fetched = 0;
  while (fetched < cMediaTypes) {
    CMediaType type;
    const HRESULT hr = pin_->GetMediaType(position_++, &type);
    if (hr != S_OK) break;
    auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (record == nullptr) break;
    // The format block and pUnk pass to the caller without a copy.
    type.MoveTo(record);
    ppMediaTypes[fetched++] = record;
  }
  if (pcFetched != nullptr) *pcFetched = fetched;
  return fetched == cMediaTypes ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG cMediaTypes) {
  if (cMediaTypes == 0) return S_OK;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  // Positions are plain ints: a count beyond them skips to the end.
  const long long target = static_cast<long long>(position_) + cMediaTypes;
  position_ = static_cast<int>(target > INT_MAX ? INT_MAX : target);
  CMediaType type;
  return pin_->GetMediaType(position_ - 1, &type) == S_OK ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Reset() {
  position_ = 0;
  version_ = pin_->GetMediaTypeVersion();
  return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  auto* clone = new (std::nothrow) CEnumMediaTypes(pin_, this);
  if (clone == nullptr) return E_OUTOFMEMORY;
  *ppEnum = clone;
  return S_OK;
}

}  // namespace orlin::framework
