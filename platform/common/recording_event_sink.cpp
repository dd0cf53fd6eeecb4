#include "orlin/recording_event_sink.h"

#include <new>

namespace orlin {

RecordingEventSink* RecordingEventSink::Create() { return new (std::nothrow) RecordingEventSink; }

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
