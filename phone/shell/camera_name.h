// The camera the phone uses, for the user to see.
#pragma once

#include <string>

namespace orlin::phone::shell {

// The named camera, else the first the device manager would report, marked
// when it is the built-in test camera.
std::string CameraInUseText();

// Why the named camera cannot be opened ("/tmp/a.y4m: odd frame size"); empty
// when it opens or none is named. The capture says only "Camera not found".
std::string CameraProblem();

}  // namespace orlin::phone::shell
