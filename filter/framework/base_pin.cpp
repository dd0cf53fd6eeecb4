#include "filter/framework/base_pin.h"

#include <new>

#include "filter/framework/base_filter.h"
#include "filter/framework/enum_media_types.h"
#include "filter/framework/media_type.h"

namespace orlin::framework {

namespace {
// Failures that mean "this type, not that pin": negotiation moves on past them.
bool IsTypeFailure(HRESULT hr) {
  return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}
}  // namespace

HRESULT AsTypeRefusal(HRESULT hr) {
  return SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG ? VFW_E_TYPE_NOT_ACCEPTED : hr;
}

CBasePin::CBasePin(const WCHAR* object_name, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                   const WCHAR* pin_name, PIN_DIRECTION direction)
    : CUnknown(object_name, nullptr), direction_(direction), lock_(lock), filter_(filter) {
  bool out_of_memory = false;
  name_ = CopyWide(pin_name, &out_of_memory);
  if (out_of_memory && phr != nullptr && SUCCEEDED(*phr)) *phr = E_OUTOFMEMORY;
  InitMediaType(&mt_);
}

CBasePin::~CBasePin() { FreeMediaType(&mt_); }

bool CBasePin::MayChangeConnection() {
  return filter_->IsStopped() || can_reconnect_when_active_;
}

// ---- INonDelegatingUnknown ----

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IPin)) return GetInterface(static_cast<IPin*>(this), ppv);
  if (IsEqualIID(riid, IID_IQualityControl)) {
    return GetInterface(static_cast<IQualityControl*>(this), ppv);
  }
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CBasePin::NonDelegatingAddRef() { return static_cast<IBaseFilter&>(*filter_).AddRef(); }

ULONG CBasePin::NonDelegatingRelease() { return static_cast<IBaseFilter&>(*filter_).Release(); }

// ---- Framework operations ----

LONG CBasePin::GetMediaTypeVersion() { return type_version_; }

HRESULT CBasePin::Active() { return S_OK; }

HRESULT CBasePin::Inactive() {
  run_time_error_ = false;
  return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }

HRESULT CBasePin::SetMediaType(const AM_MEDIA_TYPE* type) {
  return FAILED(AssignMediaType(&mt_, type)) ? E_OUTOFMEMORY : S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION other = direction_;
  const HRESULT hr = pin->QueryDirection(&other);
  if (FAILED(hr)) return hr;
  return other == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::GetMediaType(int, AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

// ---- Negotiation ----

HRESULT CBasePin::AttemptConnection(IPin* receive_pin, const AM_MEDIA_TYPE* type) {
  HRESULT hr = CheckConnect(receive_pin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr == S_OK) {
    connected_.Share(receive_pin);
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) {
      hr = receive_pin->ReceiveConnection(static_cast<IPin*>(this), type);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receive_pin);
        if (SUCCEEDED(hr)) return hr;
        receive_pin->Disconnect();
      }
    }
  } else {
    hr = AsTypeRefusal(hr);
  }
  BreakConnect();
  connected_.Clear();
  return hr;
}

HRESULT CBasePin::TryMediaTypes(IPin* receive_pin, const AM_MEDIA_TYPE* proposed,
                                IEnumMediaTypes* types) {
  HRESULT hr = types->Reset();
  if (FAILED(hr)) return hr;
  HRESULT specific = S_OK;
  for (;;) {
    AM_MEDIA_TYPE* candidate = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &candidate, &fetched) != S_OK || candidate == nullptr) {
      DeleteMediaType(candidate);
      return FAILED(specific) ? specific : VFW_E_NO_ACCEPTABLE_TYPES;
    }
    if (proposed != nullptr && !MatchesPartialType(*candidate, *proposed)) {
      hr = VFW_E_NO_ACCEPTABLE_TYPES;
    } else {
      hr = AttemptConnection(receive_pin, candidate);
      if (FAILED(hr) && SUCCEEDED(specific) && !IsTypeFailure(hr)) specific = hr;
    }
    DeleteMediaType(candidate);
    if (hr == S_OK) return S_OK;
  }
}

HRESULT CBasePin::AgreeMediaType(IPin* receive_pin, const AM_MEDIA_TYPE* proposed) {
  if (proposed != nullptr && !IsPartiallySpecified(*proposed)) {
    return AttemptConnection(receive_pin, proposed);
  }
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int pass = 0; pass < 2; ++pass) {
    // Pass 0 takes the receiving pin's preferences unless ours are to go first.
    const bool ours = (pass == 1) != try_my_types_first_;
    ComRef<IEnumMediaTypes> types;
    const HRESULT got = ours ? EnumMediaTypes(types.Receive())
                             : receive_pin->EnumMediaTypes(types.Receive());
    if (FAILED(got) || !types) continue;
    const HRESULT hr = TryMediaTypes(receive_pin, proposed, types.Get());
    if (SUCCEEDED(hr)) return S_OK;
    if (!IsTypeFailure(hr)) failure = hr;
  }
  return failure;
}

// ---- IPin ----

HRESULT CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
  if (pReceivePin == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!MayChangeConnection()) return VFW_E_NOT_STOPPED;
  const HRESULT hr = AgreeMediaType(pReceivePin, pmt);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  return S_OK;
}

HRESULT CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
  if (pConnector == nullptr || pmt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!MayChangeConnection()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(pConnector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(pmt);
  if (hr != S_OK) {
    BreakConnect();
    return AsTypeRefusal(hr);
  }
  connected_.Share(pConnector);
  hr = SetMediaType(pmt);
  if (SUCCEEDED(hr)) hr = CompleteConnect(pConnector);
  if (FAILED(hr)) {
    connected_.Clear();
    BreakConnect();
    return hr;
  }
  return S_OK;
}

HRESULT CBasePin::Disconnect() {
  CAutoLock lock(lock_);
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  connected_.Clear();
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pPin) {
  if (pPin == nullptr) return E_POINTER;
  *pPin = connected_.Get();
  if (*pPin == nullptr) return VFW_E_NOT_CONNECTED;
  (*pPin)->AddRef();
  return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (!connected_) {
    InitMediaType(pmt);
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(pmt, &mt_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
  if (pInfo == nullptr) return E_POINTER;
  IBaseFilter& filter = *filter_;
  filter.AddRef();
  pInfo->pFilter = &filter;
  CopyWideBounded(pInfo->achName, MAX_PIN_NAME, name_.get());
  pInfo->dir = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
  if (pPinDir == nullptr) return E_POINTER;
  *pPinDir = direction_;
  return S_OK;
}

// The pin's name as its identifier; source pins answer with their position.
HRESULT CBasePin::QueryId(LPWSTR* Id) {
  if (Id == nullptr) return E_POINTER;
  *Id = nullptr;
  const std::size_t length = name_ ? WideLength(name_.get()) : 0;
  auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((length + 1) * sizeof(WCHAR)));
  if (text == nullptr) return E_OUTOFMEMORY;
  CopyWideBounded(text, length + 1, name_.get());
  *Id = text;
  return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return E_POINTER;
  const HRESULT hr = CheckMediaType(pmt);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  auto* enumerator = new (std::nothrow) CEnumMediaTypes(this, nullptr);
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  *ppEnum = enumerator;
  return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
  segment_start_ = tStart;
  segment_stop_ = tStop;
  segment_rate_ = dRate;
  return S_OK;
}

// ---- IQualityControl ----

// Quality messages are neither acted on nor passed upstream.
HRESULT CBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT CBasePin::SetSink(IQualityControl* piqc) {
  CAutoLock lock(lock_);
  quality_sink_ = piqc;
  return S_OK;
}

}  // namespace orlin::framework
