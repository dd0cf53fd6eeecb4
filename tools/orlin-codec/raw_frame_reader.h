// Reads raw planar 4:2:0 frames laid end to end, with no header.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace orlin::tool {

// The error for an input of `wholeFrames` frames and `leftover` more bytes.
std::string LeftoverBytesMessage(std::size_t frameBytes, std::uint64_t wholeFrames, std::uint64_t leftover);

class RawFrameReader {
 public:
  RawFrameReader(std::istream& in, std::size_t frameBytes) : in_(in), frame_bytes_(frameBytes) {}

  // Reads the next frame into `frame` (resized to the frame size). False at
  // the end of the input; throws ToolError when bytes are left over that do
  // not make a whole frame, saying how many.
  bool ReadFrame(std::vector<std::uint8_t>& frame);

  std::int64_t frameCount() const { return frames_; }

 private:
  std::istream& in_;
  std::size_t frame_bytes_;
  std::int64_t frames_ = 0;
};

}  // namespace orlin::tool
