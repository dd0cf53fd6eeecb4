// One buffer of the memory allocator as an IMediaSample.
#pragma once

#include <atomic>

#include "orlin/dshow.h"

namespace orlin::detail {

class MemoryAllocator;

// The allocator owns every sample. While a caller holds one it is lent: it
// keeps its allocator alive, and its last Release clears what the holder set
// and hands it back, so the next holder starts from a clean sample.
class MediaSample final : public IMediaSample {
 public:
  MediaSample(MemoryAllocator* allocator, BYTE* buffer, LONG size);
  ~MediaSample();
  MediaSample(const MediaSample&) = delete;
  MediaSample& operator=(const MediaSample&) = delete;

  // Called by the allocator, under its lock, when it lends the sample.
  void Lend() { references_.store(1, std::memory_order_relaxed); }
  bool Unreferenced() const { return references_.load(std::memory_order_acquire) == 0; }

  // Whether the sample is out with a holder; guarded by the allocator's lock.
  bool lent = false;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IMediaSample
  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** ppBuffer) override;
  LONG STDMETHODCALLTYPE GetSize() override;
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL bIsSyncPoint) override;
  HRESULT STDMETHODCALLTYPE IsPreroll() override;
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL bIsPreroll) override;
  LONG STDMETHODCALLTYPE GetActualDataLength() override;
  HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL bDiscontinuity) override;
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

 private:
  void ClearProperties();

  MemoryAllocator* const allocator_;
  BYTE* const buffer_;
  const LONG size_;
  std::atomic<ULONG> references_{0};

  // Set by the holder; only the holder touches them, so they need no lock.
  LONG actual_length_;
  bool time_valid_ = false;
  bool stop_valid_ = false;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  bool media_time_valid_ = false;
  LONGLONG media_start_ = 0;
  LONGLONG media_stop_ = 0;
  bool sync_point_ = false;
  bool preroll_ = false;
  bool discontinuity_ = false;
  AM_MEDIA_TYPE* media_type_ = nullptr;  // task memory; set means the type changed
};

}  // namespace orlin::detail
