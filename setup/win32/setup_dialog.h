// OrlinSetup.exe's dialog 104: the controls carry the entries; the setup
// actions do the rest.
#pragma once

#include <windows.h>

namespace orlin::setup::win32 {

// Runs dialog 104 modally without an owner; the dialog's result (1 for OK,
// 2 for Cancel), or -1 when it could not be made.
INT_PTR RunSetupDialog(HINSTANCE instance);

}  // namespace orlin::setup::win32
