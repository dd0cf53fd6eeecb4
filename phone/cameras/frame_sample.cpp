#include "phone/cameras/frame_sample.h"

namespace orlin::phone::cameras {

void FrameSample::Attach(BYTE* buffer, LONG size) {
  buffer_ = buffer;
  size_ = size;
}

// --- IUnknown ---

HRESULT STDMETHODCALLTYPE FrameSample::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMediaSample)) {
    return E_NOINTERFACE;
  }
  *object = static_cast<IMediaSample*>(this);
  AddRef();
  return S_OK;
}

// --- IMediaSample ---

HRESULT STDMETHODCALLTYPE FrameSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

// The camera runs without a clock: its frames carry no times.
HRESULT STDMETHODCALLTYPE FrameSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (start == nullptr || end == nullptr) return E_POINTER;
  return VFW_E_SAMPLE_TIME_NOT_SET;
}

HRESULT STDMETHODCALLTYPE FrameSample::SetTime(REFERENCE_TIME*, REFERENCE_TIME*) { return S_OK; }

HRESULT STDMETHODCALLTYPE FrameSample::SetActualDataLength(LONG length) {
  return length >= 0 && length <= size_ ? S_OK : VFW_E_BUFFER_OVERFLOW;
}

// The type never changes within a connection.
HRESULT STDMETHODCALLTYPE FrameSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = nullptr;
  return S_FALSE;
}

HRESULT STDMETHODCALLTYPE FrameSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
  if (start == nullptr || end == nullptr) return E_POINTER;
  return VFW_E_MEDIA_TIME_NOT_SET;
}

}  // namespace orlin::phone::cameras
