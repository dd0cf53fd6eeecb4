#include "platform/posix/dshow/memory_allocator.h"

#include <algorithm>
#include <limits>
#include <cstddef>
#include <cstring>
#include <new>

#include "orlin/host_services.h"

namespace orlin::detail {
namespace {

// Buffers are aligned to a power of two that divides the allocation
// granularity of 64 KiB, as the allocator on Windows requires.
constexpr LONG kAllocationGranularity = 65536;

constexpr std::int64_t kLongMax = std::numeric_limits<LONG>::max();

bool IsValidAlignment(LONG alignment) {
  return alignment > 0 && alignment <= kAllocationGranularity &&
         (alignment & (alignment - 1)) == 0;
}

std::size_t BlockAlignment(LONG alignment) {
  return std::max(static_cast<std::size_t>(alignment), alignof(std::max_align_t));
}

}  // namespace

void MemoryAllocator::AlignedFree::operator()(BYTE* block) const {
  ::operator delete(block, std::align_val_t(alignment));
}

MemoryAllocator::~MemoryAllocator() {
  // Every lent sample holds a reference, so all of them are back by now.
  std::lock_guard lock(mutex_);
  FreeLocked();
}

// Each buffer is its prefix followed by cbBuffer bytes, the pair rounded up to
// the alignment; one block holds them all.
HRESULT MemoryAllocator::AllocateLocked() {
  if (properties_.cBuffers <= 0 || properties_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  const std::int64_t stride =
      static_cast<std::int64_t>(properties_.cbBuffer) + properties_.cbPrefix;
  const std::int64_t total = stride * properties_.cBuffers;
  // The allocator on Windows sizes its block in a LONG; so does this one.
  if (total > kLongMax) return E_OUTOFMEMORY;
  const std::size_t alignment = BlockAlignment(properties_.cbAlign);
  Memory memory(static_cast<BYTE*>(::operator new(static_cast<std::size_t>(total),
                                                  std::align_val_t(alignment), std::nothrow)),
                AlignedFree{alignment});
  if (memory == nullptr) return E_OUTOFMEMORY;
  // Zeroed so that a sample never shows what the heap held before.
  std::memset(memory.get(), 0, static_cast<std::size_t>(total));
  try {
    samples_.reserve(static_cast<std::size_t>(properties_.cBuffers));
    free_.reserve(static_cast<std::size_t>(properties_.cBuffers));
    for (LONG i = 0; i < properties_.cBuffers; ++i) {
      BYTE* buffer = memory.get() + stride * i + properties_.cbPrefix;
      samples_.push_back(std::make_unique<MediaSample>(this, buffer, properties_.cbBuffer));
      free_.push_back(samples_.back().get());
    }
  } catch (const std::bad_alloc&) {
    free_.clear();
    samples_.clear();
    return E_OUTOFMEMORY;
  }
  memory_ = std::move(memory);
  return S_OK;
}

void MemoryAllocator::FreeLocked() {
  free_.clear();
  samples_.clear();
  memory_.reset();
}

// --- IMemAllocator ----------------------------------------------------------

HRESULT MemoryAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                       ALLOCATOR_PROPERTIES* pActual) {
  if (pRequest == nullptr || pActual == nullptr) return E_POINTER;
  const ALLOCATOR_PROPERTIES request = *pRequest;  // the two may be one record
  *pActual = {};
  std::lock_guard lock(mutex_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (lent_ != 0) return VFW_E_BUFFERS_OUTSTANDING;
  if (request.cBuffers < 0 || request.cbBuffer < 0 || request.cbPrefix < 0) return E_INVALIDARG;
  if (!IsValidAlignment(request.cbAlign)) return VFW_E_BADALIGN;
  const std::int64_t alignment = request.cbAlign;
  const std::int64_t stride =
      (static_cast<std::int64_t>(request.cbBuffer) + request.cbPrefix + alignment - 1) /
      alignment * alignment;
  if (stride > kLongMax) return E_OUTOFMEMORY;
  properties_ = request;
  properties_.cbBuffer = static_cast<LONG>(stride - request.cbPrefix);
  *pActual = properties_;
  return S_OK;
}

HRESULT MemoryAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) {
  if (pProps == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *pProps = properties_;
  return S_OK;
}

HRESULT MemoryAllocator::Commit() {
  std::lock_guard lock(mutex_);
  if (committed_) return S_OK;
  // Samples still out since a Decommit: the buffers are still there to use.
  if (memory_ == nullptr) {
    const HRESULT hr = AllocateLocked();
    if (FAILED(hr)) return hr;
  }
  committed_ = true;
  return S_OK;
}

HRESULT MemoryAllocator::Decommit() {
  {
    std::lock_guard lock(mutex_);
    if (!committed_) return S_OK;
    committed_ = false;
    ++decommits_;
    if (lent_ == 0) FreeLocked();
  }
  sample_returned_.notify_all();
  return S_OK;
}

HRESULT MemoryAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*,
                                   DWORD dwFlags) {
  if (ppBuffer == nullptr) return E_POINTER;
  *ppBuffer = nullptr;
  std::unique_lock lock(mutex_);
  const std::uint64_t decommits = decommits_;
  for (;;) {
    if (!committed_ || decommits_ != decommits) return VFW_E_NOT_COMMITTED;
    if (!free_.empty()) break;
    if ((dwFlags & AM_GBF_NOWAIT) != 0) return VFW_E_TIMEOUT;
    sample_returned_.wait(lock);
  }
  MediaSample* sample = free_.back();
  free_.pop_back();
  sample->lent = true;
  ++lent_;
  sample->Lend();
  AddRef();  // held by the sample until it comes back
  *ppBuffer = sample;
  return S_OK;
}

HRESULT MemoryAllocator::ReleaseBuffer(IMediaSample* pBuffer) {
  if (pBuffer == nullptr) return E_POINTER;
  {
    std::lock_guard lock(mutex_);
    MediaSample* sample = nullptr;
    for (const auto& candidate : samples_) {
      if (static_cast<IMediaSample*>(candidate.get()) == pBuffer) sample = candidate.get();
    }
    if (sample == nullptr || !sample->lent || !sample->Unreferenced()) return E_INVALIDARG;
    sample->lent = false;
    --lent_;
    free_.push_back(sample);
    if (!committed_ && lent_ == 0) FreeLocked();  // the last one back after a Decommit
  }
  sample_returned_.notify_one();
  Release();  // the reference the sample held
  return S_OK;
}

}  // namespace orlin::detail

namespace orlin {

HRESULT CreateMemoryAllocator(IUnknown* outer, REFIID riid, void** object) {
  return CreateComObject<detail::MemoryAllocator>(outer, riid, object);
}

}  // namespace orlin
