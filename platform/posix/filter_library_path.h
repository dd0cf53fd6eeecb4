// Where our programs find liborlin.so, the camera filter they register: beside
// them in the build tree, or where the same installation put it. Found by the
// running program's own path, so a tree unpacked under any root works as well
// as one installed in the usual place, with no environment variable.
#pragma once

#include <string>

#include "orlin/com.h"

namespace orlin::platform {

// The library for a program at `program` (an absolute path): the build tree's
// <bin>/../lib/liborlin.so, else the installed <bin>/<installedFromBin>/liborlin.so,
// whichever is a readable file first, as a normal path; empty when neither is.
std::string FilterLibraryFor(const std::string& program, const std::string& installedFromBin);

// The same for the running program, with the installed layout it was built for.
std::string FilterLibraryPath();

// Loads the in-process server at `path` and calls its DllRegisterServer (or
// DllUnregisterServer), as regsvr32 does; the caller has initialised COM.
// What the call gave; E_FAIL with `failure` saying why when the library does
// not load or has no such entry point.
HRESULT CallServerRegistration(const std::string& path, bool unregister, std::string& failure);

}  // namespace orlin::platform
