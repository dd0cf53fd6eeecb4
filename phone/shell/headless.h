// The phone program without a screen: the capture runs until SIGINT or
// SIGTERM, then stops, and one line tells what was sent.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "phone/camera_capture.h"

namespace orlin::phone::shell {

// Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it
// starts afterwards (the camera's included): call it first in main, and the
// signals then wait for RunHeadless to take them.
void BlockStopSignals();

struct HeadlessSummary {
  std::uint64_t frames = 0;  // frames that went out whole
  std::uint64_t failed = 0;  // frames of which a send failed
  std::uint64_t pieces = 0;  // of those, frames sent in pieces
  std::uint64_t bytes = 0;
  double seconds = 0;
  std::string address;
  std::string format;
  bool compressed = false;
};

// "sent 150 frames, 1234567 bytes in 5.00 s (30.0 frames/s, 8230 bytes/frame)
// to 127.0.0.1, YV12  176 x 144 compressed": scripts read the first numbers.
// Frames whose sends failed follow at the end: "; 3 frames failed to send",
// then frames sent in pieces: "; 40 frames in pieces".
std::string SummaryLine(const HeadlessSummary& summary);

// Starts the capture, waits for a stop signal, stops the capture and writes
// the summary to `out`. While it streams, the live line goes to `err`:
// rewritten in place every second when `err` is a terminal, else a line every
// ten seconds; the note about frames in pieces, once, when the first goes out.
// Nobody can pick a format here, so a stored format the camera does not offer
// gives way to the camera's first, with a line on `err`.
// 0 on a clean stop; 1 when the capture did not start (its message boxes and
// why a named camera does not open went to stderr) or its destination does not
// resolve (nothing could be sent).
int RunHeadless(CameraCapture& capture, const std::string& cameraName, std::ostream& out,
                std::ostream& err, bool errIsTerminal = false);

}  // namespace orlin::phone::shell
