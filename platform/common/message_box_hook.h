// The message box hook shared by ShowMessage and, on Linux, MessageBoxW.
#pragma once

#include "orlin/message_box.h"

namespace orlin::detail {

// The installed hook, or an empty function.
MessageBoxHook CurrentMessageBoxHook();

}  // namespace orlin::detail
