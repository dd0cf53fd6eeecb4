// A V4L2 capture device (/dev/videoN) as the phone's camera: the formats it
// enumerates that the frame path carries, streamed through memory-mapped
// buffers; motion JPEG modes (the HD modes of most webcams) are offered as
// YV12 and decoded. The device paces the frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "phone/cameras/camera.h"
#include "phone/cameras/jpeg_frame_decoder.h"
#include "phone/cameras/v4l2_formats.h"

namespace orlin::phone::cameras {

class V4l2Camera final : public Camera {
 public:
  // Null, with a reason, for a path that is not a streaming capture device or
  // that offers no format the phone can carry.
  static std::unique_ptr<V4l2Camera> Open(const std::string& path, std::string* error);
  ~V4l2Camera() override;

  const std::vector<CameraFormat>& Formats() const override { return formats_; }
  bool Start(std::size_t index) override;
  FrameResult ReadFrame(BYTE* frame, std::size_t bytes) override;
  void Stop() override;

 private:
  struct Mapping {
    void* address = nullptr;
    std::size_t length = 0;
  };

  explicit V4l2Camera(int fd) : fd_(fd) {}
  void EnumerateFormats();
  void ReleaseBuffers();

  int fd_;
  std::vector<CameraFormat> formats_;
  std::vector<std::uint32_t> device_formats_;  // the V4L2 code of each entry of formats_
  std::vector<Mapping> buffers_;
  CameraFormat started_;
  V4l2Mapping mapping_{PixelFormat::kYV12, false};
  JpegFrameDecoder jpeg_;
  std::uint32_t bytes_per_line_ = 0;
  bool streaming_ = false;
};

}  // namespace orlin::phone::cameras
