// Windows keeps one registry per machine: the phone and the PC are never the
// same box there, so there is no hive to choose and no file behind it.
#include "orlin/registry.h"

namespace orlin::platform {

void SelectRegistryHive(RegistryHive /*hive*/) {}

std::string RegistryHiveFile() { return {}; }

}  // namespace orlin::platform
