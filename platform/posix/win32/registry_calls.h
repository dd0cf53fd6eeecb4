// What the registry calls were asked for, for the tests of their callers: the
// hive has one view, so a missing view flag changes nothing here that a test
// could read back.
#pragma once

#include "orlin/registry.h"

namespace orlin::platform::registry {

// The access mask, view bits included, of the last RegOpenKeyExW or
// RegCreateKeyExW on this thread.
REGSAM LastRequestedAccess();

}  // namespace orlin::platform::registry
