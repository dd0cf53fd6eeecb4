// Where orlin-view puts the frames it receives.
#pragma once

#include <string>

#include "view/video_frame.h"

namespace orlin::view {

class FrameWriter {
 public:
  virtual ~FrameWriter() = default;
  // Called once before any frame: opens or checks the output, so a bad path
  // fails before the run waits for frames; false with a message.
  virtual bool Open() { return true; }
  // False with a message in Error() when the frame could not be written.
  virtual bool Write(const PlanarFrame& frame) = 0;
  // Called once after the last frame; false with a message on failure.
  virtual bool Finish() { return true; }
  const std::string& Error() const { return error_; }

 protected:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

 private:
  std::string error_;
};

}  // namespace orlin::view
