// The platform class the capture creates for the camera.
#pragma once

#include "orlin/com.h"

namespace orlin::phone {

// The platform's video capture filter: opens the camera named by the
// "VCapName" property its property bag is loaded with.
inline constexpr CLSID CLSID_VideoCapture = {0xf80b6e95, 0xb55a, 0x4619,
                                             {0xae, 0xc4, 0xa1, 0x0e, 0xae, 0xde, 0x98, 0x0c}};

}  // namespace orlin::phone
