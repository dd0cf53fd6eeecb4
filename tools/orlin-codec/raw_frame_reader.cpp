#include "tools/orlin-codec/raw_frame_reader.h"

#include <string>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {

std::string LeftoverBytesMessage(std::size_t frameBytes, std::uint64_t wholeFrames, std::uint64_t leftover) {
  return "the input is not a whole number of " + std::to_string(frameBytes) + "-byte frames: " +
         std::to_string(wholeFrames) + (wholeFrames == 1 ? " frame" : " frames") + ", then " +
         std::to_string(leftover) + " bytes left over (is --size right?)";
}

bool RawFrameReader::ReadFrame(std::vector<std::uint8_t>& frame) {
  frame.resize(frame_bytes_);
  in_.read(reinterpret_cast<char*>(frame.data()), std::streamsize(frame_bytes_));
  const std::size_t got = std::size_t(in_.gcount());
  if (in_.bad()) throw ToolError("read error after " + std::to_string(frames_) + " frames");
  if (got == frame_bytes_) {
    ++frames_;
    return true;
  }
  if (got == 0) return false;
  throw ToolError(LeftoverBytesMessage(frame_bytes_, std::uint64_t(frames_), got));
}

}  // namespace orlin::tool
