#include "phone/shell/live_status.h"

#include <cstdio>

namespace orlin::phone::shell {

SendCounts CountsOf(const FrameSender& sender) {
  return {sender.FramesSent(), sender.BytesSent(), sender.FramesCut()};
}

void LiveStatus::Update(const SendCounts& counts, std::chrono::steady_clock::time_point time) {
  const bool restarted =
      counts.frames < last_.frames || counts.bytes < last_.bytes || counts.cut < last_.cut;
  if (!started_ || restarted) {
    started_ = true;
    last_ = counts;
    last_time_ = time;
    frames_per_second_ = 0;
    bytes_per_frame_ = 0;
    cutting_ = false;
    return;
  }
  const double seconds = std::chrono::duration<double>(time - last_time_).count();
  if (seconds < 1.0) return;
  const std::uint64_t frames = counts.frames - last_.frames;
  frames_per_second_ = static_cast<double>(frames) / seconds;
  bytes_per_frame_ = frames > 0 ? (counts.bytes - last_.bytes) / frames : 0;
  cutting_ = counts.cut > last_.cut;
  last_ = counts;
  last_time_ = time;
}

std::string LiveStatus::Line() const {
  char line[128];
  std::snprintf(line, sizeof line, "Sent: %.0f frames/s, %llu bytes/frame, %llu %s cut",
                frames_per_second_, static_cast<unsigned long long>(bytes_per_frame_),
                static_cast<unsigned long long>(last_.cut), last_.cut == 1 ? "frame" : "frames");
  return line;
}

std::vector<std::string> CutWarningLines() {
  return {
      "Frames are larger than one datagram:",
      "the PC sees only the top of the picture.",
      "Choose a smaller format or turn compression off.",
  };
}

}  // namespace orlin::phone::shell
