#include "phone/shell/camera_name.h"

#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/test_camera.h"

namespace orlin::phone::shell {

std::string CameraInUseText() {
  std::string name = cameras::ChosenCamera();
  if (name.empty()) {
    const std::vector<std::string> all = cameras::ListCameras();
    if (all.empty()) return "none";
    name = all.front();
  }
  if (name == cameras::kTestCameraName) return name + " (built-in test camera)";
  return name;
}

std::string CameraProblem() {
  const std::string name = cameras::ChosenCamera();
  std::string error;
  if (name.empty() || cameras::OpenCamera(name, &error)) return {};
  return error.empty() ? "cannot open " + name : error;
}

}  // namespace orlin::phone::shell
