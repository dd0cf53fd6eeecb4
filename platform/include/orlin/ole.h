// OLE initialisation, which a program holds around a library's registration.
// Windows: the SDK's; Linux: declared with COM (orlin/com.h), where it is COM's
// initialisation alone.
#pragma once

#include "orlin/com.h"

#ifdef _WIN32
#include <ole2.h>
#endif
