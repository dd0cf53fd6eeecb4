// The phone's screens in the terminal: the main screen with its soft keys,
// the Settings menu, and the three full-screen dialogs.
#pragma once

#include <optional>
#include <string>

#include "phone/camera_capture.h"
#include "phone/shell/commands.h"

namespace orlin::phone::tui {

class MessageBoxView;

// Runs the main screen: starts the capture once the screen shows, then serves
// the soft keys until Close, which stops the capture. Returns the exit code.
int RunMainWindow(CameraCapture& capture, const std::string& cameraName);

// The Settings menu over the main screen; nothing when it is left unchosen.
std::optional<shell::Command> RunSettingsMenu();

// The dialogs; each returns once it has ended.
void RunVideoFormatDialog(CameraCapture& capture, MessageBoxView& messages);
void RunDestinationDialog(CameraCapture& capture, MessageBoxView& messages);
void RunCompressionDialog(CameraCapture& capture, MessageBoxView& messages);

}  // namespace orlin::phone::tui
