// CaptureFilter: the streaming thread that hands out one sample per frame.
#include <chrono>

#include "phone/cameras/capture_filter.h"

namespace orlin::phone::cameras {

void CaptureFilter::StartStreaming() {
  {
    std::lock_guard<std::mutex> guard(wake_lock_);
    stop_streaming_ = false;
  }
  const REFERENCE_TIME interval = camera_->Formats()[pin_.FormatIndex()].frameInterval;
  streamer_ = std::thread(&CaptureFilter::Stream, this, pin_.Sink(), interval);
}

void CaptureFilter::StopStreaming() {
  {
    std::lock_guard<std::mutex> guard(wake_lock_);
    stop_streaming_ = true;
  }
  wake_.notify_all();
  if (streamer_.joinable()) streamer_.join();
}

// The connection, the camera and the frame buffer stay as they are while this
// runs: they change only while the filter is stopped, after the join.
void CaptureFilter::Stream(IMemInputPin* sink, REFERENCE_TIME frameInterval) {
  using Clock = std::chrono::steady_clock;
  const auto interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(frameInterval * 100));
  auto due = Clock::now();
  for (;;) {
    {
      std::unique_lock<std::mutex> waiting(wake_lock_);
      if (frameInterval > 0) wake_.wait_until(waiting, due, [this] { return stop_streaming_; });
      if (stop_streaming_) return;
    }
    const FrameResult result = camera_->ReadFrame(frame_.data(), frame_.size());
    // A camera that fails ends the stream quietly: streaming failures are not
    // the user's to see, and the next start tries again.
    if (result == FrameResult::kFailed) return;
    if (result == FrameResult::kFrame) {
      sink->Receive(&sample_);
      ++delivered_;
    }
    if (frameInterval > 0) {
      due += interval;
      // After a stall (a slow receiver), carry on from now rather than burst.
      const auto now = Clock::now();
      if (due + interval < now) due = now;
    }
  }
}

}  // namespace orlin::phone::cameras
