#include "filter/framework/enum_pins.h"

#include <algorithm>
#include <new>

#include "filter/framework/base_filter.h"
#include "filter/framework/base_pin.h"

namespace orlin::framework {

CEnumPins::CEnumPins(CBaseFilter* filter, const CEnumPins* source) : filter_(filter) {
  static_cast<IBaseFilter&>(*filter_).AddRef();
  if (source == nullptr) {
    Refresh();
    return;
  }
  position_ = source->position_;
  pin_count_ = source->pin_count_;
  version_ = source->version_;
  try {
    cache_ = source->cache_;
  } catch (const std::bad_alloc&) {
    valid_ = false;
  }
}

CEnumPins::~CEnumPins() { static_cast<IBaseFilter&>(*filter_).Release(); }

bool CEnumPins::OutOfSync() const { return filter_->GetPinVersion() != version_; }

void CEnumPins::Refresh() {
  version_ = filter_->GetPinVersion();
  pin_count_ = filter_->GetPinCount();
}

// ---- IEnumPins ----

HRESULT CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
  if (ppPins == nullptr) return E_POINTER;
  if (pcFetched != nullptr) {
    *pcFetched = 0;
  } else if (cPins > 1) {
    return E_INVALIDARG;
  }
  if (OutOfSync()) {
    Refresh();
    position_ = 0;  // the cache stays: pins already returned are not returned again
  }
  ULONG fetched = 0;
  while (fetched < cPins && position_ < pin_count_) {
    CBasePin* pin = filter_->GetPin(position_);
    ++position_;
    if (pin == nullptr) {
      // Give back what this call handed out: the caller sees only the failure.
      for (ULONG i = 0; i < fetched; ++i) {
        ppPins[i]->Release();
        ppPins[i] = nullptr;
      }
      return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (std::find(cache_.begin(), cache_.end(), pin) != cache_.end()) continue;
    try {
      cache_.push_back(pin);
    } catch (const std::bad_alloc&) {
      --position_;
      break;
    }
    IPin* face = pin;
    face->AddRef();
    ppPins[fetched++] = face;
  }
  if (pcFetched != nullptr) *pcFetched = fetched;
  return fetched == cPins ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG cPins) {
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  const ULONG left = static_cast<ULONG>(pin_count_ - position_);
  if (cPins > left) return S_FALSE;
  position_ += static_cast<int>(cPins);
  return S_OK;
}

HRESULT CEnumPins::Reset() {
  Refresh();
  position_ = 0;
  cache_.clear();
  return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  auto* clone = new (std::nothrow) CEnumPins(filter_, this);
  if (clone == nullptr) return E_OUTOFMEMORY;
  if (!clone->Valid()) {
    clone->Release();
    return E_OUTOFMEMORY;
  }
  *ppEnum = clone;
  return S_OK;
}

}  // namespace orlin::framework
