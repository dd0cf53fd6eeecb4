// The built-in test camera, "test": the phone's camera when no other is named.
// It offers what a phone camera offers, the first format being the one a fresh
// phone streams (YV12 176x144, so compression works out of the box), and draws
// the test picture at 30 frames a second.
#pragma once

#include <cstdint>
#include <memory>

#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

inline constexpr char kTestCameraName[] = "test";
// 30 frames a second, in 100 ns units.
inline constexpr REFERENCE_TIME kTestCameraFrameInterval = 333333;

class TestCamera final : public Camera {
 public:
  TestCamera();
  const std::vector<CameraFormat>& Formats() const override { return formats_; }
  bool Start(std::size_t index) override;
  FrameResult ReadFrame(BYTE* frame, std::size_t bytes) override;
  void Stop() override {}

 private:
  std::vector<CameraFormat> formats_;
  CameraFormat started_;
  std::uint32_t frame_number_ = 0;
};

}  // namespace orlin::phone::cameras
