#include "phone/shell/headless.h"

#include <errno.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ostream>

#include "phone/shell/camera_name.h"
#include "phone/shell/live_status.h"
#include "phone/shell/shell_text.h"
#include "platform/posix/win32/utf16.h"

namespace orlin::phone::shell {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Waits up to a second for a stop signal; true when one came.
bool StopSignalWithinASecond(const sigset_t& set) {
  timespec second{1, 0};
  for (;;) {
    const int signal = sigtimedwait(&set, nullptr, &second);
    if (signal == SIGINT || signal == SIGTERM) return true;
    if (signal < 0 && errno == EINTR) continue;
    return false;
  }
}

}  // namespace

void BlockStopSignals() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

std::string SummaryLine(const HeadlessSummary& s) {
  const double fps = s.seconds > 0 ? static_cast<double>(s.frames) / s.seconds : 0.0;
  const unsigned long long perFrame = s.frames > 0 ? s.bytes / s.frames : 0;
  char line[256];
  std::snprintf(line, sizeof line,
                "sent %llu frames, %llu bytes in %.2f s (%.1f frames/s, %llu bytes/frame) to %s, %s%s",
                static_cast<unsigned long long>(s.frames), static_cast<unsigned long long>(s.bytes),
                s.seconds, fps, perFrame, s.address.c_str(), s.format.c_str(),
                s.compressed ? " compressed" : " uncompressed");
  std::string text = line;
  if (s.failed > 0) {
    text += "; " + std::to_string(s.failed) + (s.failed == 1 ? " frame" : " frames") +
            " failed to send";
  }
  if (s.pieces > 0) {
    text += "; " + std::to_string(s.pieces) + (s.pieces == 1 ? " frame" : " frames") +
            " in pieces";
  }
  return text;
}

int RunHeadless(CameraCapture& capture, const std::string& cameraName, std::ostream& out,
                std::ostream& err, bool errIsTerminal) {
  BlockStopSignals();  // in case main did not: the camera thread starts below
  VideoFormat unoffered;
  if (FAILED(capture.StartCapture(&unoffered))) {
    // The capture only says "Camera not found"; a named camera's reason is here.
    const std::string problem = CameraProblem();
    if (!problem.empty()) err << "orlin-phone: " << problem << std::endl;
    return 1;
  }
  const FrameSender* sender = capture.Sender();
  if (sender == nullptr || !sender->DestinationResolved()) {
    err << "orlin-phone: the destination "
        << detail::Utf16ToUtf8(capture.GetDestinationText().c_str())
        << " does not resolve: nothing can be sent" << std::endl;
    capture.StopCapture();
    return 1;
  }
  VideoFormat format;
  capture.GetVideoFormat(&format);
  HeadlessSummary summary;
  summary.address = Narrow(capture.GetAddressText());
  summary.format = FormatLine(format);
  if (unoffered.FourCC != 0) {
    err << "orlin-phone: camera " << cameraName << " does not offer the stored format "
        << FormatLine(unoffered) << "; streaming its first format, " << summary.format
        << std::endl;
  }
  err << "orlin-phone: streaming " << summary.format << " from camera " << cameraName << " to "
      << summary.address << " port 4444; stop with Ctrl-C or SIGTERM" << std::endl;

  const auto started = std::chrono::steady_clock::now();
  const sigset_t set = StopSignals();
  // A terminal shows the live line rewritten in place every second; a file or
  // pipe gets it as a line every ten seconds.
  const auto period = errIsTerminal ? std::chrono::seconds(1) : std::chrono::seconds(10);
  auto nextLine = started + period;
  LiveStatus live;
  live.Update(CountsOf(*sender), started);
  bool lineOpen = false;  // the live line has no newline yet
  bool noted = false;  // the note about frames in pieces was given
  while (!StopSignalWithinASecond(set)) {
    const auto now = std::chrono::steady_clock::now();
    live.Update(CountsOf(*sender), now);
    if (!noted && sender->FramesInPieces() > 0) {
      if (lineOpen) err << '\n';
      lineOpen = false;
      err << "orlin-phone: " << kPiecesNote << std::endl;
      noted = true;
    }
    if (now < nextLine) continue;
    nextLine = now + period;
    if (errIsTerminal) {
      err << '\r' << live.Line() << "\x1b[K" << std::flush;
      lineOpen = true;
    } else {
      err << "orlin-phone: " << live.Line() << std::endl;
    }
  }
  if (lineOpen) err << std::endl;

  // The camera stops first, so the counts are final when they are read.
  if (IBaseFilter* camera = capture.Camera()) camera->Stop();
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if ((sender = capture.Sender()) != nullptr) {
    summary.frames = sender->FramesSent();
    summary.failed = sender->FramesFailed();
    summary.bytes = sender->BytesSent();
    summary.pieces = sender->FramesInPieces();
    summary.compressed = sender->Compression() != 0;
    summary.address = Narrow(capture.GetAddressText());
  }
  capture.StopCapture();
  out << SummaryLine(summary) << std::endl;
  return 0;
}

}  // namespace orlin::phone::shell
