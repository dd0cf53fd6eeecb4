#include "view/view_session.h"

#include <cstring>

namespace orlin::view {

// FNV-1a a 64-bit word at a time. It runs before each frame is written, so
// it is on the way to the player: byte by byte it took about 1 ms a frame at
// 640x480, a word at a time about 0.1 ms.
std::uint64_t FrameHash(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint64_t kPrime = 0x100000001b3ull;
  std::uint64_t hash = 0xcbf29ce484222325ull;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    hash = (hash ^ word) * kPrime;
  }
  for (; i < size; ++i) hash = (hash ^ data[i]) * kPrime;
  return hash;
}

void RecentRate::Add(Clock::time_point when) { times_.push_back(when); }

std::size_t RecentRate::PerSecond(Clock::time_point now) {
  while (!times_.empty() && now - times_.front() >= std::chrono::seconds(1)) times_.pop_front();
  return times_.size();
}

std::string ViewSession::OpenWriters() {
  for (const auto& writer : writers_) {
    if (!writer->Open()) return writer->Error();
  }
  return {};
}

long ViewSession::OnSample(const std::uint8_t* data, long size, SampleKind kind) {
  bool any_frame = false;
  {
    std::lock_guard lock(mutex_);
    if (done_) return S_FALSE;
    any_frame = counts_.fresh > 0;
  }
  const bool picture = kind != SampleKind::kMisread && (kind != SampleKind::kRepeat || any_frame);
  const std::size_t bytes = format_.FrameBytes();
  if (picture && (size < 0 || static_cast<std::size_t>(size) < bytes)) {
    std::lock_guard lock(mutex_);
    error_ = "a sample of " + std::to_string(size) + " bytes is too small for " + format_.Name();
    done_ = true;
    changed_.notify_all();
    return S_FALSE;
  }
  if (picture && kind == SampleKind::kUnknown) {
    const std::uint64_t hash = FrameHash(data, bytes);
    std::lock_guard lock(mutex_);
    kind = counts_.delivered > 0 && hash == last_hash_ ? SampleKind::kRepeat : SampleKind::kFrame;
    last_hash_ = hash;
  }
  if (preview_ && (kind == SampleKind::kFrame || kind == SampleKind::kCard)) preview_(data, bytes);
  if (!picture || kind == SampleKind::kCard) {
    std::lock_guard lock(mutex_);
    ++counts_.other;
    changed_.notify_all();
    return S_OK;
  }
  const bool repeated = kind == SampleKind::kRepeat;
  std::string failure;
  if (!(repeated && skip_repeats_) && !writers_.empty()) {
    ToPlanar(format_, data, bytes, frame_);
    for (const auto& writer : writers_) {
      if (!writer->Write(frame_)) {
        failure = writer->Error();
        break;
      }
    }
  }
  std::lock_guard lock(mutex_);
  ++counts_.delivered;
  ++(repeated ? counts_.repeated : counts_.fresh);
  if (!repeated) rate_.Add(RecentRate::Clock::now());
  if (!failure.empty()) {
    error_ = failure;
    done_ = true;
  }
  const std::uint64_t written = skip_repeats_ ? counts_.fresh : counts_.delivered;
  if (frame_limit_ != 0 && written >= frame_limit_) done_ = true;
  changed_.notify_all();
  return done_ ? S_FALSE : S_OK;
}

std::size_t ViewSession::FramesInLastSecond() {
  std::lock_guard lock(mutex_);
  return rate_.PerSecond(RecentRate::Clock::now());
}

SessionCounts ViewSession::Counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

bool ViewSession::Done() const {
  std::lock_guard lock(mutex_);
  return done_;
}

void ViewSession::WaitFor(std::chrono::milliseconds time) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, time, [this] { return done_; });
}

std::string ViewSession::Finish() {
  std::lock_guard lock(mutex_);
  for (const auto& writer : writers_) {
    if (!writer->Finish() && error_.empty()) error_ = writer->Error();
  }
  return error_;
}

std::string ViewSession::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace orlin::view
