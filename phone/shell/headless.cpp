#include "phone/shell/headless.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ostream>

#include "phone/shell/shell_text.h"

namespace orlin::phone::shell {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
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
  return line;
}

int RunHeadless(CameraCapture& capture, const std::string& cameraName, std::ostream& out,
                std::ostream& err) {
  BlockStopSignals();  // in case main did not: the camera thread starts below
  if (FAILED(capture.StartCapture())) return 1;
  VideoFormat format;
  capture.GetVideoFormat(&format);
  HeadlessSummary summary;
  summary.address = Narrow(capture.GetAddressText());
  summary.format = FormatLine(format);
  err << "orlin-phone: streaming " << summary.format << " from camera " << cameraName << " to "
      << summary.address << " port 4444; stop with Ctrl-C or SIGTERM" << std::endl;

  const auto started = std::chrono::steady_clock::now();
  const sigset_t set = StopSignals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }

  // The camera stops first, so the counts are final when they are read.
  if (IBaseFilter* camera = capture.Camera()) camera->Stop();
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (const FrameSender* sender = capture.Sender()) {
    summary.frames = sender->FramesSent();
    summary.bytes = sender->BytesSent();
    summary.compressed = sender->Compression() != 0;
    summary.address = Narrow(capture.GetAddressText());
  }
  capture.StopCapture();
  out << SummaryLine(summary) << std::endl;
  return 0;
}

}  // namespace orlin::phone::shell
