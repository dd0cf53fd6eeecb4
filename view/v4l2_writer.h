// Frames to a V4L2 output device (a v4l2loopback node), which other programs
// then open as a webcam: 4:2:0 frames as YU12 (I420), 4:2:2 frames as YUYV,
// 4:4:4 frames (from RGB) as RGB3. The format is set at the first frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/frame_writer.h"

namespace orlin::view {

// The frame in the device's pixel format, as written.
std::vector<std::uint8_t> PackForDevice(const PlanarFrame& frame);

class V4l2Writer final : public FrameWriter {
 public:
  explicit V4l2Writer(std::string device) : device_(std::move(device)) {}
  ~V4l2Writer() override;
  // Opens the device and checks that it takes video output; false with a
  // message when it does not (so orlin-view refuses before connecting).
  bool Open() override;
  bool Write(const PlanarFrame& frame) override;

 private:
  std::string device_;
  int fd_ = -1;
  bool format_set_ = false;
};

}  // namespace orlin::view
