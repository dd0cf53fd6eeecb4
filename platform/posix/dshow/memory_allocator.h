// The memory allocator (CLSID_MemoryAllocator): a fixed pool of equal buffers,
// allocated on Commit, lent as media samples by GetBuffer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "orlin/com_object.h"
#include "orlin/dshow.h"
#include "platform/posix/dshow/media_sample.h"

namespace orlin::detail {

class MemoryAllocator final : public ComObject<IMemAllocator, IID_IMemAllocator> {
 public:
  MemoryAllocator() = default;
  ~MemoryAllocator();
  MemoryAllocator(const MemoryAllocator&) = delete;
  MemoryAllocator& operator=(const MemoryAllocator&) = delete;

  // IMemAllocator
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                          ALLOCATOR_PROPERTIES* pActual) override;
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  HRESULT STDMETHODCALLTYPE Decommit() override;
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
  // Takes back a lent sample whose last reference is gone; its own Release
  // calls this. A sample still referenced, or not ours, is E_INVALIDARG.
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* pBuffer) override;

 private:
  struct AlignedFree {
    std::size_t alignment;
    void operator()(BYTE* block) const;
  };
  using Memory = std::unique_ptr<BYTE, AlignedFree>;

  HRESULT AllocateLocked();
  void FreeLocked();

  std::mutex mutex_;
  std::condition_variable sample_returned_;  // also signalled by Decommit
  ALLOCATOR_PROPERTIES properties_{};
  bool committed_ = false;
  // Counts Decommit calls, so that a GetBuffer waiting across a Decommit fails
  // even when a Commit follows before it wakes.
  std::uint64_t decommits_ = 0;
  // The buffers exist while committed and, after a Decommit, until the last
  // lent sample is back.
  Memory memory_{nullptr, AlignedFree{1}};
  std::vector<std::unique_ptr<MediaSample>> samples_;
  std::vector<MediaSample*> free_;
  std::size_t lent_ = 0;
};

}  // namespace orlin::detail
