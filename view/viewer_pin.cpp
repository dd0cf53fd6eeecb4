#include "view/viewer_pin.h"

#include <cstring>
#include <new>
#include <utility>

namespace orlin::view {
namespace {

constexpr WCHAR kPinName[] = ORLIN_TEXT("Input");

}  // namespace

ViewerPin* ViewerPin::Create(SampleHandler handler) {
  return new (std::nothrow) ViewerPin(std::move(handler));
}

ViewerPin::~ViewerPin() = default;

std::optional<FrameFormat> ViewerPin::Format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

// IPin

HRESULT ViewerPin::AcceptConnection(const AM_MEDIA_TYPE& type) {
  std::optional<FrameFormat> format = FormatOfMediaType(type);
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  std::lock_guard lock(mutex_);
  format_ = format;
  return S_OK;
}

void ViewerPin::OnDisconnected() {
  std::lock_guard lock(mutex_);
  format_.reset();
}

HRESULT ViewerPin::QueryPinInfo(PIN_INFO* pInfo) {
  if (pInfo == nullptr) return E_POINTER;
  pInfo->pFilter = nullptr;  // the viewer is no filter in a graph
  pInfo->dir = PINDIR_INPUT;
  std::memcpy(pInfo->achName, kPinName, sizeof kPinName);
  return S_OK;
}

HRESULT ViewerPin::QueryId(LPWSTR* Id) {
  if (Id == nullptr) return E_POINTER;
  *Id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
  if (*Id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*Id, kPinName, sizeof kPinName);
  return S_OK;
}

HRESULT ViewerPin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return E_POINTER;
  return FormatOfMediaType(*pmt) ? S_OK : S_FALSE;
}

HRESULT ViewerPin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  return E_NOTIMPL;  // no preference: the source proposes its own types
}

HRESULT ViewerPin::QueryInternalConnections(IPin** apPin, ULONG* nPin) {
  if (apPin != nullptr && nPin != nullptr) *nPin = 0;
  return E_NOTIMPL;
}

// IMemInputPin

HRESULT ViewerPin::GetAllocator(IMemAllocator** ppAllocator) {
  if (ppAllocator == nullptr) return E_POINTER;
  *ppAllocator = nullptr;
  return VFW_E_NO_ALLOCATOR;  // the source makes its own
}

HRESULT ViewerPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL) {
  return pAllocator == nullptr ? E_POINTER : S_OK;
}

HRESULT ViewerPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
  return pProps == nullptr ? E_POINTER : E_NOTIMPL;
}

HRESULT ViewerPin::Receive(IMediaSample* pSample) {
  if (pSample == nullptr) return E_POINTER;
  BYTE* data = nullptr;
  if (FAILED(pSample->GetPointer(&data)) || data == nullptr) return E_FAIL;
  return handler_(data, pSample->GetActualDataLength());
}

HRESULT ViewerPin::ReceiveMultiple(IMediaSample** pSamples, LONG nSamples, LONG* nSamplesProcessed) {
  if (pSamples == nullptr || nSamplesProcessed == nullptr) return E_POINTER;
  *nSamplesProcessed = 0;
  HRESULT hr = S_OK;
  while (*nSamplesProcessed < nSamples && (hr = Receive(pSamples[*nSamplesProcessed])) == S_OK) {
    ++*nSamplesProcessed;
  }
  return hr;
}

HRESULT ViewerPin::ReceiveCanBlock() { return S_OK; }  // writing to a pipe or device may block

}  // namespace orlin::view
