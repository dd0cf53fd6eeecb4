#include "phone/cameras/camera_catalogue.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "phone/cameras/test_camera.h"
#include "phone/cameras/v4l2_camera.h"
#include "phone/cameras/y4m_camera.h"

namespace orlin::phone::cameras {
namespace {

constexpr int kMaxVideoDevices = 64;

std::mutex& ChoiceLock() {
  static std::mutex lock;
  return lock;
}

std::string& Choice() {
  static std::string name;
  return name;
}

bool IsCharacterDevice(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

void ChooseCamera(const std::string& name) {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  Choice() = name;
}

std::string ChosenCamera() {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  return Choice();
}

std::vector<std::string> ListCameras() {
  std::vector<std::string> names;
  std::string error;
  const std::string chosen = ChosenCamera();
  if (!chosen.empty()) {
    if (OpenCamera(chosen, &error)) names.push_back(chosen);
    return names;
  }
  names.emplace_back(kTestCameraName);
  for (int i = 0; i < kMaxVideoDevices; ++i) {
    const std::string path = "/dev/video" + std::to_string(i);
    if (IsCharacterDevice(path) && V4l2Camera::Open(path, &error)) names.push_back(path);
  }
  return names;
}

std::unique_ptr<Camera> OpenCamera(const std::string& name, std::string* error) {
  if (name == kTestCameraName) return std::make_unique<TestCamera>();
  if (name.rfind(std::string(kTestCameraName) + ":", 0) == 0) {
    std::optional<TestCameraSize> size;
    if (!ParseTestCameraName(name, &size, error)) return nullptr;
    return std::make_unique<TestCamera>(*size);
  }
  // A character device is a V4L2 device or nothing; any other file may be Y4M.
  if (IsCharacterDevice(name)) return V4l2Camera::Open(name, error);
  return Y4mCamera::Open(name, error);
}

}  // namespace orlin::phone::cameras
