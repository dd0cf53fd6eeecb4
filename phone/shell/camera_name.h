// The camera the phone uses, for the user to see.
#pragma once

#include <string>

namespace orlin::phone::shell {

// The named camera, else the first the device manager would report, marked
// when it is the built-in test camera.
std::string CameraInUseText();

}  // namespace orlin::phone::shell
