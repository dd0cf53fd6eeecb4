#include "phone/shell/live_status.h"

#include <cstdio>

namespace orlin::phone::shell {

SendCounts CountsOf(const FrameSender& sender) {
  return {sender.FramesSent(), sender.BytesSent(), sender.FramesInPieces()};
}

void LiveStatus::Update(const SendCounts& counts, std::chrono::steady_clock::time_point time) {
  const bool restarted =
      counts.frames < last_.frames || counts.bytes < last_.bytes || counts.pieces < last_.pieces;
  if (!started_ || restarted) {
    started_ = true;
    last_ = counts;
    last_time_ = time;
    frames_per_second_ = 0;
    bytes_per_frame_ = 0;
    in_pieces_ = false;
    return;
  }
  const double seconds = std::chrono::duration<double>(time - last_time_).count();
  if (seconds < 1.0) return;
  const std::uint64_t frames = counts.frames - last_.frames;
  frames_per_second_ = static_cast<double>(frames) / seconds;
  bytes_per_frame_ = frames > 0 ? (counts.bytes - last_.bytes) / frames : 0;
  in_pieces_ = counts.pieces > last_.pieces;
  last_ = counts;
  last_time_ = time;
}

std::string LiveStatus::Line() const {
  char line[128];
  std::snprintf(line, sizeof line, "Sent: %.0f frames/s, %llu bytes/frame", frames_per_second_,
                static_cast<unsigned long long>(bytes_per_frame_));
  std::string text = line;
  if (last_.pieces > 0) text += ", " + std::to_string(last_.pieces) + " in pieces";
  return text;
}

std::vector<std::string> PiecesNoteLines() {
  return {
      "Frames larger than one datagram",
      "go out in pieces: the PC must",
      "read large frames to show them.",
  };
}

}  // namespace orlin::phone::shell
