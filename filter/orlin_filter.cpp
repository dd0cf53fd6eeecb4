#include "filter/orlin_filter.h"

#include <new>

#include "filter/orlin_stream.h"
#include "orlin/stream_config.h"

namespace orlin::filter {

using framework::CUnknown;
using framework::CSource;
using framework::CAutoLock;

CUnknown* OrlinFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) OrlinFilter(outer, phr);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

OrlinFilter::OrlinFilter(IUnknown* outer, HRESULT* phr)
    : CSource(ORLIN_TEXT("Orlin"), outer, CLSID_OrlinCamera) {
  CAutoLock lock(&state_lock_);
  // The pin adds itself to the filter's table; CSource deletes it with the filter.
  auto* stream = new (std::nothrow) OrlinStream(phr, this, ORLIN_TEXT("Orlin Pin"));
  if (stream == nullptr) {
    if (phr != nullptr) *phr = E_OUTOFMEMORY;
  } else if (Stream() != stream) {
    delete stream;  // the table had no room for it
  }
}

OrlinFilter::~OrlinFilter() { StopWorkers(); }

OrlinStream* OrlinFilter::Stream() const {
  return pin_count_ > 0 ? static_cast<OrlinStream*>(pins_[0]) : nullptr;
}

// ---- INonDelegatingUnknown ----

HRESULT OrlinFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IOrlinStreamStatus)) {
    return GetInterface(static_cast<IOrlinStreamStatus*>(this), ppv);
  }
  if (IsEqualIID(riid, IID_IOrlinSenderFilter)) {
    return GetInterface(static_cast<IOrlinSenderFilter*>(this), ppv);
  }
  return CSource::NonDelegatingQueryInterface(riid, ppv);
}

// ---- IOrlinStreamStatus ----

HRESULT OrlinFilter::GetStreamStatus(OrlinStreamStatus* status) {
  if (status == nullptr) return E_POINTER;
  OrlinStream* stream = Stream();
  if (stream == nullptr) return E_UNEXPECTED;
  *status = stream->StreamStatus();
  return S_OK;
}

// ---- IOrlinSenderFilter ----

HRESULT OrlinFilter::GetSenderFilter(OrlinSenderFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  OrlinStream* stream = Stream();
  if (stream == nullptr) return E_UNEXPECTED;
  *filter = stream->SenderFilter();
  return S_OK;
}

// ---- IMediaFilter ----

HRESULT OrlinFilter::GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) {
  const HRESULT hr = CSource::GetState(dwMilliSecsTimeout, State);
  if (hr == S_OK && *State == State_Paused) return VFW_S_CANT_CUE;
  return hr;
}

HRESULT OrlinFilter::Stop() {
  CAutoLock lock(pStateLock());
  running_ = false;
  return CSource::Stop();
}

HRESULT OrlinFilter::Pause() {
  CAutoLock lock(pStateLock());
  running_ = false;
  return CSource::Pause();
}

HRESULT OrlinFilter::Run(REFERENCE_TIME tStart) {
  CAutoLock lock(pStateLock());
  const HRESULT hr = CSource::Run(tStart);
  running_ = State() == State_Running;
  return hr;
}

}  // namespace orlin::filter
