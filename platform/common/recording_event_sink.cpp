#include "orlin/recording_event_sink.h"

#include <new>

namespace orlin {

RecordingEventSink* RecordingEventSink::Create() { return new (std::nothrow) RecordingEventSink; }

// --- IUnknown ---------------------------------------------------------------

HRESULT RecordingEventSink::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMediaEventSink)) {
    return E_NOINTERFACE;
  }
  *ppvObject = static_cast<IMediaEventSink*>(this);
  AddRef();
  return S_OK;
}

ULONG RecordingEventSink::AddRef() {
  return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG RecordingEventSink::Release() {
  const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

// --- IMediaEventSink --------------------------------------------------------

HRESULT RecordingEventSink::Notify(LONG EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
  try {
    std::lock_guard lock(mutex_);
    events_.push_back({EventCode, EventParam1, EventParam2});
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  recorded_.notify_all();
  return S_OK;
}

std::vector<RecordedEvent> RecordingEventSink::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

bool RecordingEventSink::WaitForEvents(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return recorded_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
}

}  // namespace orlin
