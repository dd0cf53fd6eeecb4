// Whether frames of a stored format can reach the camera at all. Frames that
// are not compressed travel as up to 15 counted chunks, each one UDP datagram;
// a format that needs more chunks, or has no whole byte per frame, never
// delivers a picture, and the camera would only repeat stale samples. The setup still stores such a format (its ranges allow it) but says
// so.
#pragma once

#include "settings/video_format_settings.h"
#include "setup/setup_text.h"

namespace orlin::setup {

// True when the filter takes compressed frames for these settings: Compression
// on and the FourCC IYUV. Otherwise frames come as raw chunks.
bool CompressedStream(const settings::VideoFormatSettings& settings);

// Empty when the format can stream; else a warning that says why it cannot and
// what to change.
WideText StreamWarning(const settings::VideoFormatSettings& settings);

}  // namespace orlin::setup
