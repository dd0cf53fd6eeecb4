// The live line of what the phone sends, for the main screen and the headless
// run: frames per second and bytes per frame over the last second, and the
// frames cut at one datagram since the start, with the warning that goes with
// cutting.
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
  std::uint64_t cut = 0;  // compressed frames cut at one datagram
};
SendCounts CountsOf(const FrameSender& sender);

// Said once when cutting starts (headless), and while it goes on (the screen).
inline constexpr char kCutWarning[] =
    "frames are larger than one datagram: the PC sees only the top of the picture";
inline constexpr char kCutAdvice[] = "choose a smaller format or turn compression off";

class LiveStatus {
 public:
  // Takes the counts as they are at `time`. The rates follow once a second
  // has passed since the reading they are measured from; counts below the
  // last ones (a new sender after a start) begin afresh.
  void Update(const SendCounts& counts, std::chrono::steady_clock::time_point time);

  // "Sent: 30 frames/s, 12345 bytes/frame, 0 frames cut"
  std::string Line() const;
  // Frames were cut within the last measured second.
  bool Cutting() const { return cutting_; }
  std::uint64_t FramesCut() const { return last_.cut; }

 private:
  bool started_ = false;
  SendCounts last_;
  std::chrono::steady_clock::time_point last_time_;
  double frames_per_second_ = 0;
  std::uint64_t bytes_per_frame_ = 0;
  bool cutting_ = false;
};

// The warning and what to do, in lines short enough for the phone's screen.
std::vector<std::string> CutWarningLines();

}  // namespace orlin::phone::shell
