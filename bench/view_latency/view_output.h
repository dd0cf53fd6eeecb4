// orlin-view run as a user runs it, `orlin-view --y4m - | player`: a child
// process whose standard output is a pipe that this side reads as a player
// would, noting when each frame has been read whole and the number stamped in
// its luma plane.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orlin::bench {

using Clock = std::chrono::steady_clock;

struct FrameRead {
  std::uint32_t number;    // the stamp read back; 0 when not whole
  Clock::time_point when;  // its last byte read from the pipe
};

class ViewOutput {
 public:
  // Starts `program --y4m - --quiet`, its stderr to `log`. Raw frames of more
  // than one chunk (`chunks` of `chunk_bytes`) count only when every chunk is
  // of the same frame.
  ViewOutput(const std::string& program, const std::string& log, std::size_t chunks,
             std::size_t chunk_bytes);
  ViewOutput(const ViewOutput&) = delete;
  ViewOutput& operator=(const ViewOutput&) = delete;
  // Stops orlin-view (SIGTERM) and the reader.
  ~ViewOutput();

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // Waits until a frame with this number, or a later one, was read; false on
  // time-out.
  bool WaitFor(std::uint32_t number, Clock::duration timeout) const;
  std::vector<FrameRead> Frames() const;
  // SIGTERM, then the exit status (-1 when it did not exit normally).
  int Stop();

 private:
  void Read(int fd);
  bool ParseHeader(const std::string& line);

  std::size_t chunks_;
  std::size_t chunk_bytes_;
  pid_t pid_ = -1;
  int status_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  mutable std::condition_variable read_;
  std::vector<FrameRead> frames_;
  int width_ = 0;  // width_ and frame_bytes_: the reader's, from the stream header
  std::size_t frame_bytes_ = 0;
};

}  // namespace orlin::bench
