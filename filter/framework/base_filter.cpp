#include "filter/framework/base_filter.h"

#include <climits>
#include <new>

#include "filter/framework/base_pin.h"
#include "filter/framework/enum_pins.h"

namespace orlin::framework {

namespace {
constexpr std::size_t kMaxNameLength = 2147483647;

bool IsBlank(WCHAR c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A pin identifier read as a decimal number: leading blanks and a sign are
// allowed, reading stops at the first non-digit, no digits read as 0.
long long ReadDecimal(const WCHAR* text) {
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value < INT_MAX) value = value * 10 + (*text - '0');  // saturates well before overflow
  }
  return negative ? -value : value;
}
}  // namespace

CBaseFilter::CBaseFilter(const WCHAR* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(name, outer), clsid_(clsid), lock_(lock) {}

CBaseFilter::~CBaseFilter() {
  if (clock_ != nullptr) clock_->Release();
}

// ---- INonDelegatingUnknown ----

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IBaseFilter) || IsEqualIID(riid, IID_IMediaFilter) ||
      IsEqualIID(riid, IID_IPersist)) {
    return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  }
  if (IsEqualIID(riid, IID_IAMovieSetup)) {
    return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
  }
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

// ---- Framework operations ----

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  std::lock_guard lock(clock_lock_);
  if (clock_ == nullptr) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  const HRESULT hr = clock_->GetTime(&now);
  if (FAILED(hr)) return hr;
  *time = now - start_;
  return S_OK;
}

LONG CBaseFilter::GetPinVersion() { return pin_version_; }

const AMOVIESETUP_FILTER* CBaseFilter::GetSetupData() { return nullptr; }

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = sink_.load();
  if (sink == nullptr) return E_NOTIMPL;
  return sink->Notify(code, param1, param2);
}

// ---- IPersist ----

HRESULT CBaseFilter::GetClassID(CLSID* pClassID) {
  if (pClassID == nullptr) return E_POINTER;
  *pClassID = clsid_;
  return S_OK;
}

// ---- IMediaFilter ----

template <class Visit>
HRESULT CBaseFilter::ForEachConnectedPin(bool stop_at_failure, Visit visit) {
  HRESULT first_failure = S_OK;
  const int count = GetPinCount();
  for (int i = 0; i < count; ++i) {
    CBasePin* pin = GetPin(i);
    if (pin == nullptr) break;
    if (!pin->IsConnected()) continue;
    const HRESULT hr = visit(pin);
    if (FAILED(hr)) {
      if (stop_at_failure) return hr;
      if (SUCCEEDED(first_failure)) first_failure = hr;
    }
  }
  return first_failure;
}

HRESULT CBaseFilter::Stop() {
  CAutoLock lock(lock_);
  HRESULT hr = S_OK;
  if (state_ != State_Stopped) {
    hr = ForEachConnectedPin(false, [](CBasePin* pin) { return pin->Inactive(); });
  }
  state_ = State_Stopped;
  return hr;
}

HRESULT CBaseFilter::Pause() {
  CAutoLock lock(lock_);
  if (state_ == State_Stopped) {
    const HRESULT hr = ForEachConnectedPin(true, [](CBasePin* pin) { return pin->Active(); });
    if (FAILED(hr)) return hr;
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME tStart) {
  CAutoLock lock(lock_);
  {
    std::lock_guard clock_lock(clock_lock_);
    start_ = tStart;
  }
  if (state_ == State_Stopped) {
    const HRESULT hr = static_cast<IBaseFilter*>(this)->Pause();
    if (FAILED(hr)) return hr;
  }
  if (state_ != State_Running) {
    const HRESULT hr = ForEachConnectedPin(true, [tStart](CBasePin* pin) { return pin->Run(tStart); });
    if (FAILED(hr)) return hr;
  }
  state_ = State_Running;
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* State) {
  if (State == nullptr) return E_POINTER;
  *State = this->State();
  return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
  CAutoLock lock(lock_);
  if (pClock != nullptr) pClock->AddRef();
  IReferenceClock* old = nullptr;
  {
    std::lock_guard clock_lock(clock_lock_);
    old = clock_;
    clock_ = pClock;
  }
  if (old != nullptr) old->Release();
  return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** pClock) {
  if (pClock == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  std::lock_guard clock_lock(clock_lock_);
  *pClock = clock_;
  if (clock_ != nullptr) clock_->AddRef();
  return S_OK;
}

// ---- IBaseFilter ----

HRESULT CBaseFilter::EnumPins(IEnumPins** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  *ppEnum = nullptr;
  auto* enumerator = new (std::nothrow) CEnumPins(this, nullptr);
  if (enumerator == nullptr || !enumerator->Valid()) {
    if (enumerator != nullptr) enumerator->Release();
    return E_OUTOFMEMORY;
  }
  *ppEnum = enumerator;
  return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
  if (ppPin == nullptr) return E_POINTER;
  *ppPin = nullptr;
  if (Id == nullptr) return E_POINTER;
  const long long number = ReadDecimal(Id);
  if (number < 1 || number > INT_MAX) return VFW_E_NOT_FOUND;
  CBasePin* pin = GetPin(static_cast<int>(number - 1));
  if (pin == nullptr) return VFW_E_NOT_FOUND;
  IPin* face = pin;
  face->AddRef();
  *ppPin = face;
  return S_OK;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
  if (pInfo == nullptr) return E_POINTER;
  CopyWideBounded(pInfo->achName, MAX_FILTER_NAME, name_.get());
  pInfo->pGraph = graph_;
  if (graph_ != nullptr) graph_->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
  CAutoLock lock(lock_);
  graph_ = pGraph;
  IMediaEventSink* sink = nullptr;
  if (pGraph != nullptr &&
      SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) &&
      sink != nullptr) {
    sink->Release();  // the graph owns its sink for as long as we are in it
  } else {
    sink = nullptr;
  }
  sink_.store(sink);
  name_.reset();
  if (pName != nullptr) {
    if (WideLength(pName) >= kMaxNameLength) return E_INVALIDARG;
    bool out_of_memory = false;
    name_ = CopyWide(pName, &out_of_memory);
    if (out_of_memory) return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR* pVendorInfo) {
  if (pVendorInfo != nullptr) *pVendorInfo = nullptr;
  return E_NOTIMPL;
}

// ---- IAMovieSetup ----

// Registration is the library's exports' job; without setup data there is
// nothing to register through this interface.
HRESULT CBaseFilter::Register() { return GetSetupData() == nullptr ? S_FALSE : E_NOTIMPL; }

HRESULT CBaseFilter::Unregister() { return GetSetupData() == nullptr ? S_FALSE : E_NOTIMPL; }

}  // namespace orlin::framework
