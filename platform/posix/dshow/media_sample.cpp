#include "platform/posix/dshow/media_sample.h"

#include <cstring>

#include "platform/posix/dshow/memory_allocator.h"

namespace orlin::detail {
namespace {

void FreeTaskMemoryType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  CoTaskMemFree(type->pbFormat);
  if (type->pUnk != nullptr) type->pUnk->Release();
  CoTaskMemFree(type);
}

// A deep copy in task memory, as the receiver of GetMediaType frees it.
AM_MEDIA_TYPE* CopyToTaskMemory(const AM_MEDIA_TYPE& source) {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) return nullptr;
  *copy = source;
  copy->pbFormat = nullptr;
  copy->pUnk = nullptr;
  if (source.cbFormat != 0 && source.pbFormat != nullptr) {
    copy->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (copy->pbFormat == nullptr) {
      CoTaskMemFree(copy);
      return nullptr;
    }
    std::memcpy(copy->pbFormat, source.pbFormat, source.cbFormat);
  } else {
    copy->cbFormat = 0;
  }
  copy->pUnk = source.pUnk;
  if (copy->pUnk != nullptr) copy->pUnk->AddRef();
  return copy;
}

}  // namespace

MediaSample::MediaSample(MemoryAllocator* allocator, BYTE* buffer, LONG size)
    : allocator_(allocator), buffer_(buffer), size_(size), actual_length_(size) {}

MediaSample::~MediaSample() { FreeTaskMemoryType(media_type_); }

void MediaSample::ClearProperties() {
  time_valid_ = stop_valid_ = media_time_valid_ = false;
  sync_point_ = preroll_ = discontinuity_ = false;
  FreeTaskMemoryType(media_type_);
  media_type_ = nullptr;
}

// --- IUnknown ---------------------------------------------------------------

HRESULT MediaSample::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMediaSample)) {
    return E_NOINTERFACE;
  }
  *ppvObject = static_cast<IMediaSample*>(this);
  AddRef();
  return S_OK;
}

ULONG MediaSample::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG MediaSample::Release() {
  const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) {
    ClearProperties();
    // May destroy this sample (the last one back after a Decommit) and the
    // allocator: nothing of this object is touched afterwards.
    allocator_->ReleaseBuffer(this);
  }
  return remaining;
}

// --- IMediaSample -----------------------------------------------------------

HRESULT MediaSample::GetPointer(BYTE** ppBuffer) {
  if (ppBuffer == nullptr) return E_POINTER;
  *ppBuffer = buffer_;
  return S_OK;
}

LONG MediaSample::GetSize() { return size_; }

HRESULT MediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
  if (pTimeStart == nullptr || pTimeEnd == nullptr) return E_POINTER;
  if (!time_valid_) return VFW_E_SAMPLE_TIME_NOT_SET;
  *pTimeStart = start_;
  if (!stop_valid_) {
    *pTimeEnd = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *pTimeEnd = stop_;
  return S_OK;
}

// No start clears both times; a start alone leaves the stop unset.
HRESULT MediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) {
  time_valid_ = pTimeStart != nullptr;
  stop_valid_ = time_valid_ && pTimeEnd != nullptr;
  if (time_valid_) start_ = *pTimeStart;
  if (stop_valid_) stop_ = *pTimeEnd;
  return S_OK;
}

HRESULT MediaSample::IsSyncPoint() { return sync_point_ ? S_OK : S_FALSE; }

HRESULT MediaSample::SetSyncPoint(BOOL bIsSyncPoint) {
  sync_point_ = bIsSyncPoint != FALSE;
  return S_OK;
}

HRESULT MediaSample::IsPreroll() { return preroll_ ? S_OK : S_FALSE; }

HRESULT MediaSample::SetPreroll(BOOL bIsPreroll) {
  preroll_ = bIsPreroll != FALSE;
  return S_OK;
}

LONG MediaSample::GetActualDataLength() { return actual_length_; }

HRESULT MediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actual_length_ = length;
  return S_OK;
}

// S_FALSE with none when the type has not changed since the previous sample.
HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType) {
  if (ppMediaType == nullptr) return E_POINTER;
  *ppMediaType = nullptr;
  if (media_type_ == nullptr) return S_FALSE;
  *ppMediaType = CopyToTaskMemory(*media_type_);
  return *ppMediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT MediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType) {
  FreeTaskMemoryType(media_type_);
  media_type_ = nullptr;
  if (pMediaType == nullptr) return S_OK;
  media_type_ = CopyToTaskMemory(*pMediaType);
  return media_type_ != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT MediaSample::IsDiscontinuity() { return discontinuity_ ? S_OK : S_FALSE; }

HRESULT MediaSample::SetDiscontinuity(BOOL bDiscontinuity) {
  discontinuity_ = bDiscontinuity != FALSE;
  return S_OK;
}

HRESULT MediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
  if (pTimeStart == nullptr || pTimeEnd == nullptr) return E_POINTER;
  if (!media_time_valid_) return VFW_E_MEDIA_TIME_NOT_SET;
  *pTimeStart = media_start_;
  *pTimeEnd = media_stop_;
  return S_OK;
}

// No start clears the media times; a start needs its stop.
HRESULT MediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) {
  if (pTimeStart == nullptr) {
    media_time_valid_ = false;
    return S_OK;
  }
  if (pTimeEnd == nullptr) return E_POINTER;
  media_start_ = *pTimeStart;
  media_stop_ = *pTimeEnd;
  media_time_valid_ = true;
  return S_OK;
}

}  // namespace orlin::detail
