// Serves CLSID_VideoCapture from this process, as the platform's capture
// filter class: a program calls this once at start, before the capture.
#pragma once

#include "orlin/com.h"

namespace orlin::phone::cameras {

// S_OK (or S_FALSE when the class was served already).
HRESULT RegisterCaptureFilterClass();

}  // namespace orlin::phone::cameras
