#include "phone/cameras/test_camera.h"

#include "phone/cameras/pixel_formats.h"
#include "phone/cameras/test_picture.h"

namespace orlin::phone::cameras {

TestCamera::TestCamera() {
  const REFERENCE_TIME interval = kTestCameraFrameInterval;
  for (PixelFormat pixels : {PixelFormat::kYV12, PixelFormat::kYUY2}) {
    formats_.push_back({pixels, 176, 144, interval});
    formats_.push_back({pixels, 320, 240, interval});
    formats_.push_back({pixels, 640, 480, interval});
  }
  formats_.push_back({PixelFormat::kRGB565, 176, 144, interval});
}

bool TestCamera::Start(std::size_t index) {
  if (index >= formats_.size()) return false;
  started_ = formats_[index];
  return true;
}

FrameResult TestCamera::ReadFrame(BYTE* frame, std::size_t bytes) {
  if (frame == nullptr || bytes < FrameBytes(started_)) return FrameResult::kFailed;
  // The counter runs on across restarts, so a PC sees one continuous count.
  RenderTestPicture(started_, frame_number_++, frame);
  return FrameResult::kFrame;
}

}  // namespace orlin::phone::cameras
