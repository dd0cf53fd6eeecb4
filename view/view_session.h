// One run of orlin-view: each delivered sample is sorted by what it holds (as
// the source says, or else by comparing it with the one before: a source
// repeats its last frame when nothing new arrived), and the frames are
// converted and handed to the writers; the counts feed the status line.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "view/frame_writer.h"

namespace orlin::view {

// What a delivered sample holds, as the source said while delivering it;
// kUnknown from a source that does not say.
enum class SampleKind { kUnknown, kFrame, kRepeat, kCard, kMisread };

struct SessionCounts {
  std::uint64_t delivered = 0;  // frames: new and repeated
  std::uint64_t fresh = 0;      // a new frame from the stream
  std::uint64_t repeated = 0;   // the frame before again
  std::uint64_t other = 0;      // no frame: status cards, misread samples, repeats before any frame
};

// New frames over the last second, from the times they arrived.
class RecentRate {
 public:
  using Clock = std::chrono::steady_clock;
  void Add(Clock::time_point when);
  // Frames that arrived within the second before `now` (0 when silent).
  std::size_t PerSecond(Clock::time_point now);

 private:
  std::deque<Clock::time_point> times_;
};

class ViewSession {
 public:
  // frame_limit 0: no limit. skip_repeats: repeated frames are counted but
  // not written, and the limit counts the frames written.
  ViewSession(std::uint64_t frame_limit, bool skip_repeats)
      : frame_limit_(frame_limit), skip_repeats_(skip_repeats) {}

  void AddWriter(std::unique_ptr<FrameWriter> writer) { writers_.push_back(std::move(writer)); }
  void SetFormat(const FrameFormat& format) { format_ = format; }
  // Opens every writer before any frame, so a bad path fails at once; the
  // first error, or empty.
  std::string OpenWriters();
  // Called with each sample that is a picture to show: new frames and status
  // cards (not repeats, not misread samples), on the streaming thread.
  using Preview = std::function<void(const std::uint8_t* data, std::size_t size)>;
  void SetPreview(Preview preview) { preview_ = std::move(preview); }

  // Called on the source's streaming thread. S_OK keeps it going; after the
  // limit or a write failure, S_FALSE ends its loop quietly. Only frames are
  // written and counted: a status card or a misread sample is neither, and
  // neither is a repeat before the first frame (it repeats no frame).
  long OnSample(const std::uint8_t* data, long size, SampleKind kind = SampleKind::kUnknown);

  SessionCounts Counts() const;
  // New frames within the last second.
  std::size_t FramesInLastSecond();
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
  Preview preview_;
  PlanarFrame frame_;
  std::uint64_t last_hash_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  SessionCounts counts_;
  RecentRate rate_;
  bool done_ = false;
  std::string error_;
};

// FNV-1a over the bytes: cheap enough per frame, and a change of any byte shows.
std::uint64_t FrameHash(const std::uint8_t* data, std::size_t size);

}  // namespace orlin::view
