// The camera filter created in this process from its class object, as COM
// creates it, and hosted in orlin-view's graph host: every delivered sample is
// handed to a check on the filter's streaming thread. State changes are timed,
// so a soak can bound how long a Stop takes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "filter/orlin_events.h"
#include "orlin/com_ref.h"
#include "tests/support/stream_port.h"
#include "view/graph_host.h"

namespace orlin::soak {

using Milliseconds = std::chrono::duration<double, std::milli>;

class HostedCamera {
 public:
  // Called for every delivered sample, on the streaming thread.
  using Check = std::function<void(const BYTE* data, LONG size)>;

  // Creates the filter (it reads the settings now stored), joins it to a graph
  // and connects it. Failures are reported to the running test.
  explicit HostedCamera(Check check);
  // Stops, disconnects and releases everything; the sink must hold no sample.
  ~HostedCamera();
  HostedCamera(const HostedCamera&) = delete;
  HostedCamera& operator=(const HostedCamera&) = delete;

  bool Connected() const { return created_ == S_OK && host_.Status() == S_OK; }
  IBaseFilter* Filter() const { return filter_.Get(); }
  HRESULT Run();
  HRESULT Stop();
  // How long the last Stop took.
  Milliseconds LastStop() const { return last_stop_; }

  std::uint64_t Delivered() const;
  // Waits until more than `count` samples were delivered; false on time-out.
  bool WaitForMoreThan(std::uint64_t count, std::chrono::milliseconds timeout) const;
  // Events the filter sent its graph (a failed fill would send EC_ERRORABORT),
  // beyond the news of its stream's state, which every run brings.
  std::size_t Events() const {
    std::size_t count = 0;
    for (const RecordedEvent& event : host_.Events()) count += event.code != filter::kEventStreamStatusChanged;
    return count;
  }

 private:
  HRESULT OnSample(const BYTE* data, LONG size);

  // The filter binds the stream port when it runs: a soak that shares it with
  // another program gets that program's datagrams too.
  test::StreamPortTurn turn_;
  Check check_;
  Milliseconds last_stop_{0};
  mutable std::mutex mutex_;
  mutable std::condition_variable delivered_changed_;
  std::uint64_t delivered_ = 0;
  ComRef<IBaseFilter> filter_;
  HRESULT created_;
  view::GraphHost host_;  // last: it stops the stream before the rest goes
};

}  // namespace orlin::soak
