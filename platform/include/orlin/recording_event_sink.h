// An event sink that records what filters tell their graph, for tests and for
// orlin-view (which has no graph manager to tell). Plain COM, so the same
// object serves natively and under Wine.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "orlin/com_object.h"
#include "orlin/dshow.h"

namespace orlin {

struct RecordedEvent {
  LONG code;
  LONG_PTR param1;
  LONG_PTR param2;
};

class RecordingEventSink final : public ComObject<IMediaEventSink, IID_IMediaEventSink> {
 public:
  // A new sink holding one reference for the caller; none when out of memory.
  static RecordingEventSink* Create();

  RecordingEventSink(const RecordingEventSink&) = delete;
  RecordingEventSink& operator=(const RecordingEventSink&) = delete;

  // IMediaEventSink
  HRESULT STDMETHODCALLTYPE Notify(LONG EventCode, LONG_PTR EventParam1,
                                   LONG_PTR EventParam2) override;

  // The events so far, oldest first.
  std::vector<RecordedEvent> Events() const;
  // Waits until at least count events are recorded; false when time runs out.
  bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  RecordingEventSink() = default;
  ~RecordingEventSink() = default;

  mutable std::mutex mutex_;
  mutable std::condition_variable recorded_;
  std::vector<RecordedEvent> events_;
};

}  // namespace orlin
