#include "phone/cameras/test_camera.h"

#include <cstdlib>

#include "phone/cameras/pixel_formats.h"

namespace orlin::phone::cameras {
namespace {

// The phone sizes first, in the order a phone lists them, then the HD sizes.
constexpr int kPhoneSizes[][2] = {{176, 144}, {320, 240}, {640, 480}};
constexpr int kHdSizes[][2] = {{1280, 720}, {1920, 1080}};

// Digits only, 1 to kTestCameraMaxSide; 0 for anything else.
int ParseSide(const std::string& text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  const int side = std::atoi(text.c_str());
  return side <= kTestCameraMaxSide ? side : 0;
}

}  // namespace

bool ParseTestCameraName(const std::string& name, std::optional<TestCameraSize>* size,
                         std::string* error) {
  size->reset();
  const std::string prefix = std::string(kTestCameraName) + ":";
  if (name == kTestCameraName) return true;
  if (name.rfind(prefix, 0) != 0) {
    *error = name + " is not the test camera";
    return false;
  }
  const std::string wxh = name.substr(prefix.size());
  const std::size_t x = wxh.find('x');
  const int width = x == std::string::npos ? 0 : ParseSide(wxh.substr(0, x));
  const int height = x == std::string::npos ? 0 : ParseSide(wxh.substr(x + 1));
  if (width == 0 || height == 0) {
    *error = "test camera size " + wxh + " is not WIDTHxHEIGHT (at most " +
             std::to_string(kTestCameraMaxSide) + " each)";
    return false;
  }
  // Planar 4:2:0 needs whole chroma rows and columns.
  if (width % 2 != 0 || height % 2 != 0) {
    *error = "test camera size " + wxh + " is odd";
    return false;
  }
  *size = TestCameraSize{width, height};
  return true;
}

TestCamera::TestCamera() {
  const REFERENCE_TIME interval = kTestCameraFrameInterval;
  for (PixelFormat pixels : {PixelFormat::kYV12, PixelFormat::kYUY2}) {
    for (const auto& size : kPhoneSizes) formats_.push_back({pixels, size[0], size[1], interval});
  }
  formats_.push_back({PixelFormat::kRGB565, 176, 144, interval});
  for (PixelFormat pixels : {PixelFormat::kYV12, PixelFormat::kYUY2}) {
    for (const auto& size : kHdSizes) formats_.push_back({pixels, size[0], size[1], interval});
  }
}

TestCamera::TestCamera(TestCameraSize size) {
  for (PixelFormat pixels : {PixelFormat::kYV12, PixelFormat::kYUY2, PixelFormat::kRGB565}) {
    formats_.push_back({pixels, size.width, size.height, kTestCameraFrameInterval});
  }
}

bool TestCamera::Start(std::size_t index) {
  if (index >= formats_.size()) return false;
  started_ = formats_[index];
  painter_.emplace(started_);
  return true;
}

FrameResult TestCamera::ReadFrame(BYTE* frame, std::size_t bytes) {
  if (!painter_ || frame == nullptr || bytes < FrameBytes(started_)) return FrameResult::kFailed;
  // The counter runs on across restarts, so a PC sees one continuous count.
  painter_->Paint(frame_number_++, frame);
  return FrameResult::kFrame;
}

}  // namespace orlin::phone::cameras
