#include "filter/framework/base_output_pin.h"

namespace orlin::framework {

CBaseOutputPin::CBaseOutputPin(const WCHAR* object_name, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* phr, const WCHAR* pin_name)
    : CBasePin(object_name, filter, lock, phr, pin_name, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() = default;

// ---- Framework operations of CBasePin ----

HRESULT CBaseOutputPin::Active() {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  run_time_error_ = false;
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Decommit();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return pin->QueryInterface(IID_IMemInputPin, input_pin_.ReceiveVoid());
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (allocator_) {
    const HRESULT hr = allocator_->Decommit();
    if (FAILED(hr)) return hr;
    allocator_.Clear();
  }
  input_pin_.Clear();
  return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
  return DecideAllocator(input_pin_.Get(), allocator_.Receive());
}

// ---- Allocator and delivery ----

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES props{};
  pin->GetAllocatorRequirements(&props);
  if (props.cbAlign == 0) props.cbAlign = 1;

  const HRESULT hr = OfferAllocator(pin, pin->GetAllocator(allocator), allocator, &props);
  if (SUCCEEDED(hr)) return hr;
  // The downstream pin has none to offer or refused ours: use our own, with the
  // same request (the first DecideBufferSize may have adjusted it).
  return OfferAllocator(pin, InitAllocator(allocator), allocator, &props);
}

HRESULT CBaseOutputPin::OfferAllocator(IMemInputPin* pin, HRESULT got, IMemAllocator** allocator,
                                       ALLOCATOR_PROPERTIES* props) {
  HRESULT hr = got;
  if (SUCCEEDED(hr) && *allocator == nullptr) hr = E_POINTER;
  if (SUCCEEDED(hr)) {
    hr = DecideBufferSize(*allocator, props);
    if (SUCCEEDED(hr)) {
      hr = pin->NotifyAllocator(*allocator, FALSE);
      if (SUCCEEDED(hr)) return S_OK;
    }
  }
  if (*allocator != nullptr) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  return hr;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (!allocator_) return E_NOINTERFACE;
  return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!input_pin_) return VFW_E_NOT_CONNECTED;
  return input_pin_->Receive(sample);
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(allocator));
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return connected_->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return connected_->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return connected_->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return connected_->NewSegment(start, stop, rate);
}

// ---- IPin ----

HRESULT CBaseOutputPin::EndOfStream() { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::BeginFlush() { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::EndFlush() { return E_UNEXPECTED; }

}  // namespace orlin::framework
