// YUV4MPEG2 output, for ffmpeg, mpv and files: one stream header from the
// first frame, then "FRAME" and the Y, U and V planes of each frame. 4:2:0
// frames are C420, 4:2:2 frames C422 and 4:4:4 (from RGB) C444.
//
// A pipe, terminal or device gets each frame whole as it is written: a player
// reading it shows a frame as soon as it came, not when the next one pushes it
// out of the stdio buffer. A regular file stays buffered.
#pragma once

#include <cstdio>
#include <string>

#include "view/frame_writer.h"

namespace orlin::view {

// "YUV4MPEG2 W176 H144 F30000000:1000000 Ip A1:1 C420\n" for a frame interval
// in 100 ns units, the rate reduced to lowest terms; 30:1 when unknown.
std::string Y4mStreamHeader(const PlanarFrame& frame, long long frame_interval);

class Y4mWriter final : public FrameWriter {
 public:
  // "-" is stdout. Without Open, the file is opened at the first frame.
  Y4mWriter(std::string path, long long frame_interval);
  ~Y4mWriter() override;
  // The rate in the stream header, when it is known only after opening.
  void SetFrameInterval(long long frame_interval) { frame_interval_ = frame_interval; }
  // Opens the file without emptying it, so a bad path fails at once; an
  // existing file is emptied at the first frame, and a file created here is
  // removed again when no frame came.
  bool Open() override;
  bool Write(const PlanarFrame& frame) override;
  bool Finish() override;

 private:
  std::string path_;
  long long frame_interval_;
  std::FILE* file_ = nullptr;
  bool created_ = false;  // Open made the file
  bool started_ = false;  // the stream header is written
  bool live_ = false;  // not a regular file: flushed after every frame
  int width_ = 0, height_ = 0;
  Sampling sampling_ = Sampling::k420;
};

}  // namespace orlin::view
