#include "phone/cameras/pin_enumerator.h"

#include <new>

namespace orlin::phone::cameras {

PinEnumerator::PinEnumerator(IPin* pin, ULONG position) : position_(position) {
  pin_.Share(pin);
}

HRESULT PinEnumerator::Create(IPin* pin, ULONG position, IEnumPins** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  PinEnumerator* created = new (std::nothrow) PinEnumerator(pin, position);
  if (created == nullptr) return E_OUTOFMEMORY;
  *enumerator = created;
  return S_OK;
}

// --- IEnumPins ---

HRESULT STDMETHODCALLTYPE PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (pins == nullptr) return E_POINTER;
  if (count > 1 && fetched == nullptr) return E_INVALIDARG;
  ULONG given = 0;
  if (count > 0 && position_ == 0) {
    pins[0] = pin_.Get();
    pins[0]->AddRef();
    given = 1;
    position_ = 1;
  }
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Skip(ULONG count) {
  const ULONG left = position_ == 0 ? 1 : 0;
  position_ = count <= left ? position_ + count : 1;
  return count <= left ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Clone(IEnumPins** enumerator) {
  return Create(pin_.Get(), position_, enumerator);
}

}  // namespace orlin::phone::cameras
