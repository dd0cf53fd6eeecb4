// Reads YUV4MPEG2 streams with 4:2:0 chroma and hands out each frame in the
// codec's plane order: Y, then V, then U (the phone's YV12), while the stream
// holds Y, U, V.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace orlin::tool {

struct Y4mHeader {
  int width = 0;
  int height = 0;
  std::string colourSpace = "420jpeg";  // the C tag, without the C; absent means 4:2:0
  std::string frameRate;                // the F tag as written, e.g. "30:1"; may be empty
};

// True when `prefix` (the first bytes of a stream) starts a YUV4MPEG2 stream.
bool LooksLikeY4m(const std::string& prefix);

class Y4mReader {
 public:
  // Reads and checks the stream header; throws ToolError when it is not a
  // YUV4MPEG2 header, lacks a size, or declares chroma other than 4:2:0.
  explicit Y4mReader(std::istream& in);

  const Y4mHeader& header() const { return header_; }
  // Bytes of one frame: W*H + 2 * (W/2 * H/2).
  std::size_t FrameBytes() const { return frame_bytes_; }

  // Reads the next frame into `frame` (resized to FrameBytes()), chroma
  // planes swapped to Y, V, U. False at the clean end of the stream; throws
  // ToolError for a damaged frame header or a frame cut short.
  bool ReadFrame(std::vector<std::uint8_t>& frame);

  // Frames read so far.
  std::int64_t frameCount() const { return frames_; }

 private:
  std::istream& in_;
  Y4mHeader header_;
  std::size_t frame_bytes_ = 0;
  std::vector<std::uint8_t> planes_;
  std::int64_t frames_ = 0;
};

}  // namespace orlin::tool
