#include "phone/cameras/capture_pin.h"

#include <cstring>

#include "phone/cameras/capture_filter.h"
#include "phone/cameras/pixel_formats.h"

namespace orlin::phone::cameras {
namespace {

constexpr WCHAR kPinName[] = ORLIN_TEXT("Capture");

// Whether `offered` fits what a caller asked for: the GUIDs it gives (null
// ones match anything) and, with a VIDEOINFOHEADER, the frame size.
bool Fits(const AM_MEDIA_TYPE& wanted, const AM_MEDIA_TYPE& offered) {
  auto fitsGuid = [](const GUID& want, const GUID& have) {
    return IsEqualGUID(want, GUID_NULL) || IsEqualGUID(want, have);
  };
  if (!fitsGuid(wanted.majortype, offered.majortype) || !fitsGuid(wanted.subtype, offered.subtype) ||
      !fitsGuid(wanted.formattype, offered.formattype)) {
    return false;
  }
  if (IsEqualGUID(wanted.formattype, FORMAT_VideoInfo) && wanted.pbFormat != nullptr &&
      wanted.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    VIDEOINFOHEADER want;
    VIDEOINFOHEADER have;
    std::memcpy(&want, wanted.pbFormat, sizeof want);
    std::memcpy(&have, offered.pbFormat, sizeof have);
    return want.bmiHeader.biWidth == have.bmiHeader.biWidth &&
           want.bmiHeader.biHeight == have.bmiHeader.biHeight;
  }
  return true;
}

}  // namespace

void CapturePin::Drop() {
  sink_.Clear();
  connected_.Clear();
  format_index_ = 0;
}

// --- IUnknown ---

HRESULT STDMETHODCALLTYPE CapturePin::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPin)) return E_NOINTERFACE;
  *object = static_cast<IPin*>(this);
  AddRef();
  return S_OK;
}

// The pin lives inside its filter: its references are the filter's.
ULONG STDMETHODCALLTYPE CapturePin::AddRef() { return filter_.AddRef(); }
ULONG STDMETHODCALLTYPE CapturePin::Release() { return filter_.Release(); }

// --- IPin ---

HRESULT STDMETHODCALLTYPE CapturePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
  if (receivePin == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(filter_.StateLock());
  if (!filter_.Stopped()) return VFW_E_NOT_STOPPED;
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  const std::vector<CameraFormat>& formats = filter_.Formats();
  if (formats.empty()) return VFW_E_NO_TYPES;

  // One type at a time, in the camera's order, until the other pin takes one.
  for (std::size_t i = 0; i < formats.size(); ++i) {
    VideoMediaType offered;
    FillMediaType(formats[i], &offered);
    if (mediaType != nullptr && !Fits(*mediaType, offered.type)) continue;
    if (FAILED(receivePin->ReceiveConnection(this, &offered.type))) continue;

    ComRef<IMemInputPin> sink;
    HRESULT hr = receivePin->QueryInterface(IID_IMemInputPin, sink.ReceiveVoid());
    if (SUCCEEDED(hr) && !filter_.PrepareFrames(FrameBytes(formats[i]))) hr = E_OUTOFMEMORY;
    if (FAILED(hr)) {
      receivePin->Disconnect();
      return hr;
    }
    connected_.Share(receivePin);
    sink_ = std::move(sink);
    format_index_ = i;
    return S_OK;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

// An output pin connects; it is never connected to.
HRESULT STDMETHODCALLTYPE CapturePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
  return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CapturePin::Disconnect() {
  std::lock_guard<std::recursive_mutex> guard(filter_.StateLock());
  if (!filter_.Stopped()) return VFW_E_NOT_STOPPED;
  if (!connected_) return S_FALSE;
  Drop();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  std::lock_guard<std::recursive_mutex> guard(filter_.StateLock());
  if (!connected_) return VFW_E_NOT_CONNECTED;
  *pin = connected_.Get();
  (*pin)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  std::memset(mediaType, 0, sizeof *mediaType);
  std::lock_guard<std::recursive_mutex> guard(filter_.StateLock());
  if (!connected_) return VFW_E_NOT_CONNECTED;
  VideoMediaType connected;
  FillMediaType(filter_.Formats()[format_index_], &connected);
  BYTE* format = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (format == nullptr) return E_OUTOFMEMORY;
  std::memcpy(format, &connected.info, sizeof(VIDEOINFOHEADER));
  *mediaType = connected.type;
  mediaType->pbFormat = format;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  std::memset(info, 0, sizeof *info);
  info->pFilter = static_cast<IBaseFilter*>(&filter_);
  info->pFilter->AddRef();
  info->dir = PINDIR_OUTPUT;
  std::memcpy(info->achName, kPinName, sizeof kPinName);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = PINDIR_OUTPUT;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, kPinName, sizeof kPinName);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CapturePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> guard(filter_.StateLock());
  for (const CameraFormat& format : filter_.Formats()) {
    VideoMediaType offered;
    FillMediaType(format, &offered);
    if (IsEqualGUID(mediaType->subtype, offered.type.subtype) && Fits(*mediaType, offered.type)) {
      return S_OK;
    }
  }
  return S_FALSE;
}

// The phone connects with no type and lets the pin propose; nothing enumerates.
HRESULT STDMETHODCALLTYPE CapturePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CapturePin::QueryInternalConnections(IPin**, ULONG*) {
  return E_NOTIMPL;
}

// Stream control comes from upstream, and nothing is upstream of a camera.
HRESULT STDMETHODCALLTYPE CapturePin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CapturePin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CapturePin::EndFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE CapturePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
  return E_UNEXPECTED;
}

}  // namespace orlin::phone::cameras
