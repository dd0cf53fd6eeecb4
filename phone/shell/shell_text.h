// The texts the phone's screens show, made from what the capture reports.
#pragma once

#include <string>
#include <vector>

#include "phone/camera_capture.h"
#include "phone/video_format.h"

namespace orlin::phone::shell {

inline constexpr char kTitle[] = "Orlin";

// UTF-16 text for a terminal: ASCII as it is, anything else as '?'. The
// addresses and names shown here are ASCII in practice.
std::string Narrow(const WideText& text);
WideText Widen(const std::string& text);

// "%c%c%c%c  %d x %d": the code's characters lowest byte first, two spaces,
// width, " x ", height. A byte that is not a printable character (the codes of
// RGB formats are GUID bytes) shows as '?', so the line never garbles the
// terminal.
std::string FormatLine(const VideoFormat& format);

// The status block, one entry per line, as the main screen centres it.
std::vector<std::string> StatusBlock(const CameraCapture& capture);

}  // namespace orlin::phone::shell
