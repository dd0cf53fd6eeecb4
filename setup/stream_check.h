// Whether frames of a stored format can reach the camera at all. Frames that
// are not compressed travel as up to 15 counted chunks, each one UDP datagram;
// a format that needs more chunks, or has no whole byte per frame, never
// delivers a picture, and the camera would only repeat stale samples. A
// format the filter refuses (settings::RefusedFormat, such as compressed
// frames in fewer than 12 bits per pixel) never starts. The setup still
// stores such a format (its ranges allow it) but says so.
#pragma once

#include "settings/video_format_settings.h"
#include "setup/setup_text.h"

namespace orlin::setup {

// Empty when the format can stream; else a warning that says why it cannot and
// what to change.
WideText StreamWarning(const settings::VideoFormatSettings& settings);

}  // namespace orlin::setup
