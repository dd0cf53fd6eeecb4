// The PC end of the benchmark: the camera filter created from its class object,
// as COM creates it, hosted in orlin-view's graph host (an event sink, the
// system clock, orlin-view's input pin as the sink) and, for every delivered
// sample, the frame number it holds, when it arrived and the CPU time the
// filter's streaming thread has used.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "orlin/com_ref.h"
#include "view/graph_host.h"

namespace orlin::bench {

using Clock = std::chrono::steady_clock;

struct Delivery {
  std::uint32_t number;     // the stamp read back; 0 before any frame came, or not whole
  Clock::time_point when;
  double workerCpuSeconds;  // of the filter's streaming thread, so far
};

class PcHost {
 public:
  // Creates the filter, which reads the settings now stored, and connects it.
  // Raw frames of more than one chunk (`chunks` of `chunkBytes`) count only
  // when every chunk is of the same frame.
  PcHost(int width, std::size_t chunks, std::size_t chunkBytes);
  PcHost(const PcHost&) = delete;
  PcHost& operator=(const PcHost&) = delete;

  // False when the filter could not be created or hosted; the constructor said
  // why on stderr.
  bool Ready() const { return host_.Status() == S_OK; }
  HRESULT Run() { return host_.Run(); }
  HRESULT Stop() { return host_.Stop(); }
  std::vector<Delivery> Deliveries() const;
  std::size_t Count() const;
  // Waits until `count` samples were delivered; false on time-out.
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const;
  std::size_t Events() const { return host_.Events().size(); }

 private:
  HRESULT OnSample(const BYTE* data, LONG size);

  int width_;
  std::size_t chunks_;
  std::size_t chunk_bytes_;
  mutable std::mutex mutex_;
  mutable std::condition_variable delivered_;
  std::vector<Delivery> deliveries_;
  ComRef<IBaseFilter> filter_;
  HRESULT created_;
  view::GraphHost host_;  // last: it stops the stream before the rest goes
};

}  // namespace orlin::bench
