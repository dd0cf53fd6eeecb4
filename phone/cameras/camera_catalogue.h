// The cameras the phone program can open, and which one it uses.
//
// A camera is named by "test" (the built-in test camera; "test:1920x1080" for
// one size of it), the path of a .y4m file, or the path of a V4L2 capture
// device. When the user names none, the phone's first camera is the test
// camera: it always exists, streams YV12 that compresses out of the box, and
// never turns on a webcam nobody asked for.
// A named camera that cannot be opened is no camera at all ("Camera not
// found"), rather than a silent fall-back to another one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

// Names the camera for this process; an empty name restores the default rule.
void ChooseCamera(const std::string& name);
std::string ChosenCamera();

// The cameras in the order the device manager reports them: the chosen camera
// alone (if it opens), else the test camera followed by the V4L2 capture
// devices /dev/video0 to /dev/video63 that open.
std::vector<std::string> ListCameras();

// Opens the camera `name` names; null with a reason when it cannot.
std::unique_ptr<Camera> OpenCamera(const std::string& name, std::string* error);

}  // namespace orlin::phone::cameras
