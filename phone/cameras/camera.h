// What the capture filter needs of a camera: the formats it offers, in the order
// it offers them, and one frame at a time once it has been started.
#pragma once

#include <cstddef>
#include <vector>

#include "orlin/dshow.h"

namespace orlin::phone::cameras {

// The pixel layouts a phone camera delivers and the frame path carries.
enum class PixelFormat { kYV12, kYUY2, kRGB565 };

struct CameraFormat {
  PixelFormat pixels = PixelFormat::kYV12;
  int width = 0;
  int height = 0;
  // Time between frames in 100 ns units; 0 when the device paces itself.
  REFERENCE_TIME frameInterval = 0;
};

enum class FrameResult { kFrame, kNoFrame, kFailed };

class Camera {
 public:
  virtual ~Camera() = default;

  virtual const std::vector<CameraFormat>& Formats() const = 0;
  // Prepares the delivery of Formats()[index]; false when the camera cannot.
  virtual bool Start(std::size_t index) = 0;
  // Writes the next frame of the started format into `frame` (`bytes` long, the
  // format's frame size). A camera with a frame interval answers at once and is
  // paced by its caller; a device-paced one waits a short while at most and
  // answers kNoFrame when nothing came, so that its caller can stop it.
  virtual FrameResult ReadFrame(BYTE* frame, std::size_t bytes) = 0;
  virtual void Stop() = 0;
};

}  // namespace orlin::phone::cameras
