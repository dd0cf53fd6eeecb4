// The built-in test camera, "test": the phone's camera when no other is named.
// It offers what a phone camera offers, the first format being the one a fresh
// phone streams (YV12 176x144, so compression works out of the box), up to the
// HD sizes, and draws the test picture at 30 frames a second. Named
// "test:WxH" it offers that one size alone (even sides up to 4096), in each
// pixel format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "phone/cameras/camera.h"
#include "phone/cameras/test_picture.h"

namespace orlin::phone::cameras {

inline constexpr char kTestCameraName[] = "test";
// 30 frames a second, in 100 ns units.
inline constexpr REFERENCE_TIME kTestCameraFrameInterval = 333333;
inline constexpr int kTestCameraMaxSide = 4096;

// The size a test camera name asks for: none for "test", {W, H} for
// "test:WxH"; false, with a reason, for any other name or a size the camera
// cannot draw.
struct TestCameraSize {
  int width = 0;
  int height = 0;
};
bool ParseTestCameraName(const std::string& name, std::optional<TestCameraSize>* size,
                         std::string* error);

class TestCamera final : public Camera {
 public:
  TestCamera();
  explicit TestCamera(TestCameraSize size);
  const std::vector<CameraFormat>& Formats() const override { return formats_; }
  bool Start(std::size_t index) override;
  FrameResult ReadFrame(BYTE* frame, std::size_t bytes) override;
  void Stop() override {}

 private:
  std::vector<CameraFormat> formats_;
  CameraFormat started_;
  std::optional<TestPicturePainter> painter_;
  std::uint32_t frame_number_ = 0;
};

}  // namespace orlin::phone::cameras
