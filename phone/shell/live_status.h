// The live line of what the phone sends, for the main screen and the headless
// run: frames per second and bytes per frame over the last second, and the
// frames that went out in pieces since the start, with the note that goes with
// them.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "phone/frame_sender.h"

namespace orlin::phone::shell {

// The sender's counts at one moment.
struct SendCounts {
  std::uint64_t frames = 0;  // frames that went out whole
  std::uint64_t bytes = 0;
  std::uint64_t pieces = 0;  // frames too large for one datagram, sent in pieces
};
SendCounts CountsOf(const FrameSender& sender);

// Said once when frames first go out in pieces (headless), and while they do
// (the screen).
inline constexpr char kPiecesNote[] =
    "frames larger than one datagram go out in pieces: the PC must read large frames";

class LiveStatus {
 public:
  // Takes the counts as they are at `time`. The rates follow once a second
  // has passed since the reading they are measured from; counts below the
  // last ones (a new sender after a start) begin afresh.
  void Update(const SendCounts& counts, std::chrono::steady_clock::time_point time);

  // "Sent: 30 frames/s, 12345 bytes/frame", and ", 90 in pieces" once
  // frames went out in pieces.
  std::string Line() const;
  // Frames went out in pieces within the last measured second.
  bool InPieces() const { return in_pieces_; }

 private:
  bool started_ = false;
  SendCounts last_;
  std::chrono::steady_clock::time_point last_time_;
  double frames_per_second_ = 0;
  std::uint64_t bytes_per_frame_ = 0;
  bool in_pieces_ = false;
};

// The note, in lines short enough for the phone's screen.
std::vector<std::string> PiecesNoteLines();

}  // namespace orlin::phone::shell
