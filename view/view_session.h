// One run of orlin-view: each delivered sample is converted, compared with the
// one before (a source repeats its last frame when nothing new arrived) and
// handed to the writers; the counts feed the status line.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "view/frame_writer.h"

namespace orlin::view {

struct SessionCounts {
  std::uint64_t delivered = 0;
  std::uint64_t fresh = 0;     // differs from the frame before
  std::uint64_t repeated = 0;  // identical to the frame before
};

class ViewSession {
 public:
  // frame_limit 0: no limit. skip_repeats: repeated frames are counted but
  // not written, and the limit counts the frames written.
  ViewSession(std::uint64_t frame_limit, bool skip_repeats)
      : frame_limit_(frame_limit), skip_repeats_(skip_repeats) {}

  void AddWriter(std::unique_ptr<FrameWriter> writer) { writers_.push_back(std::move(writer)); }
  void SetFormat(const FrameFormat& format) { format_ = format; }

  // Called on the source's streaming thread. S_OK keeps it going; after the
  // limit or a write failure, S_FALSE ends its loop quietly.
  long OnSample(const std::uint8_t* data, long size);

  SessionCounts Counts() const;
  // True once the frame limit is reached or a writer failed.
  bool Done() const;
  // Waits until Done() or the time has passed.
  void WaitFor(std::chrono::milliseconds time) const;
  // Finishes every writer; the first error, or empty.
  std::string Finish();
  std::string Error() const;

 private:
  std::uint64_t frame_limit_;
  bool skip_repeats_;
  FrameFormat format_{};
  std::vector<std::unique_ptr<FrameWriter>> writers_;
  PlanarFrame frame_;
  std::uint64_t last_hash_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  SessionCounts counts_;
  bool done_ = false;
  std::string error_;
};

// FNV-1a over the bytes: cheap enough per frame, and a change of any byte shows.
std::uint64_t FrameHash(const std::uint8_t* data, std::size_t size);

}  // namespace orlin::view
