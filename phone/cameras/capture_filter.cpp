#include "phone/cameras/capture_filter.h"

#include <cstring>
#include <new>
#include <string>

#include "phone/camera_capture_classes.h"
#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/pin_enumerator.h"
#include "platform/posix/win32/utf16.h"

namespace orlin::phone::cameras {
namespace {

constexpr WCHAR kFilterName[] = ORLIN_TEXT("Video Capture");
constexpr WCHAR kPinId[] = ORLIN_TEXT("Capture");
constexpr OLECHAR kDeviceNameProperty[] = ORLIN_TEXT("VCapName");
constexpr DWORD kErrorFileNotFound = 2;

const std::vector<CameraFormat> kNoFormats;

bool SameText(LPCWSTR a, LPCWSTR b) {
  for (; *a != 0 || *b != 0; ++a, ++b) {
    if (*a != *b) return false;
  }
  return true;
}

}  // namespace

CaptureFilter::CaptureFilter() : pin_(*this), sample_(static_cast<IBaseFilter&>(*this)) {}

CaptureFilter::~CaptureFilter() {
  StopStreaming();
  if (camera_) camera_->Stop();
  pin_.Drop();
}

HRESULT CaptureFilter::Create(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  CaptureFilter* filter = new (std::nothrow) CaptureFilter();
  if (filter == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = filter->QueryInterface(riid, object);
  filter->Release();
  return hr;
}

const std::vector<CameraFormat>& CaptureFilter::Formats() const {
  return camera_ ? camera_->Formats() : kNoFormats;
}

bool CaptureFilter::PrepareFrames(std::size_t bytes) {
  try {
    frame_.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  sample_.Attach(frame_.data(), static_cast<LONG>(bytes));
  return true;
}

// --- IUnknown ---

HRESULT CaptureFilter::QueryOtherInterface(REFIID riid, void** object) {
  if (!IsEqualIID(riid, IID_IPersistPropertyBag)) return E_NOINTERFACE;
  *object = static_cast<IPersistPropertyBag*>(this);
  AddRef();
  return S_OK;
}

// --- IPersist ---

HRESULT STDMETHODCALLTYPE CaptureFilter::GetClassID(CLSID* classId) {
  if (classId == nullptr) return E_POINTER;
  *classId = CLSID_VideoCapture;
  return S_OK;
}

// --- IMediaFilter ---

HRESULT STDMETHODCALLTYPE CaptureFilter::Stop() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (state_ == State_Running) {
    StopStreaming();
    camera_->Stop();
  }
  state_ = State_Stopped;
  return S_OK;
}

// Paused delivers nothing: a capture filter has no frame to hold back.
HRESULT STDMETHODCALLTYPE CaptureFilter::Pause() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (state_ == State_Running) {
    StopStreaming();
    camera_->Stop();
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Run(REFERENCE_TIME) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (state_ == State_Running) return S_OK;
  if (!pin_.Connected()) return VFW_E_NOT_CONNECTED;
  if (!camera_->Start(pin_.FormatIndex())) return E_FAIL;
  StartStreaming();
  state_ = State_Running;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  *state = state_;
  return S_OK;
}

// Kept for whoever asks; frames are never timed against it.
HRESULT STDMETHODCALLTYPE CaptureFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  clock_.Share(clock);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  *clock = clock_.Get();
  if (*clock != nullptr) (*clock)->AddRef();
  return S_OK;
}

// --- IBaseFilter ---

HRESULT STDMETHODCALLTYPE CaptureFilter::EnumPins(IEnumPins** pins) {
  return PinEnumerator::Create(&pin_, 0, pins);
}

HRESULT STDMETHODCALLTYPE CaptureFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  if (id == nullptr) return E_POINTER;
  if (!SameText(id, kPinId)) return VFW_E_NOT_FOUND;
  *pin = &pin_;
  pin_.AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  std::memset(info, 0, sizeof *info);
  static_assert(sizeof kFilterName <= sizeof info->achName);
  std::memcpy(info->achName, kFilterName, sizeof kFilterName);
  info->pGraph = nullptr;  // the phone runs the filter without a graph
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::JoinFilterGraph(IFilterGraph*, LPCWSTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE CaptureFilter::QueryVendorInfo(LPWSTR* vendorInfo) {
  if (vendorInfo == nullptr) return E_POINTER;
  *vendorInfo = nullptr;
  return E_NOTIMPL;
}

// --- IPersistPropertyBag ---

HRESULT STDMETHODCALLTYPE CaptureFilter::InitNew() { return S_OK; }

HRESULT STDMETHODCALLTYPE CaptureFilter::Load(IPropertyBag* bag, IErrorLog* errorLog) {
  if (bag == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  // Another camera under a running stream or a made connection would deliver
  // frames the connection never agreed to.
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (pin_.Connected()) return VFW_E_ALREADY_CONNECTED;

  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  HRESULT hr = bag->Read(kDeviceNameProperty, &name, errorLog);
  if (FAILED(hr)) return hr;
  if (name.vt != VT_BSTR || name.bstrVal == nullptr) {
    VariantClear(&name);
    return E_INVALIDARG;
  }
  const std::string device = detail::Utf16ToUtf8(name.bstrVal);
  VariantClear(&name);

  std::string problem;
  std::unique_ptr<Camera> camera = OpenCamera(device, &problem);
  if (!camera) return HRESULT_FROM_WIN32(kErrorFileNotFound);
  camera_ = std::move(camera);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CaptureFilter::Save(IPropertyBag*, BOOL, BOOL) { return E_NOTIMPL; }

}  // namespace orlin::phone::cameras
