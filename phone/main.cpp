// orlin-phone: the phone program. It captures a camera and streams the frames
// to port 4444 of the destination, with its screen, soft keys and dialogs in
// the terminal, or headless until SIGINT or SIGTERM.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "orlin/com.h"
#include "phone/camera_capture.h"
#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/capture_filter_class.h"
#include "phone/shell/camera_name.h"
#include "phone/shell/headless.h"
#include "phone/shell/options.h"
#include "phone/shell/single_instance.h"
#include "phone/tui/screens.h"

namespace {

// COM for the life of the program, free-threaded as the camera's thread is.
class ComSession {
 public:
  ComSession() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComSession() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace orlin::phone;
  const shell::Options options = shell::ParseOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "orlin-phone: %s\nTry 'orlin-phone --help'.\n", options.error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(shell::HelpText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("orlin-phone " ORLIN_VERSION);
    return 0;
  }
  // Before any thread starts, so only the headless wait ever takes them.
  if (options.headless) shell::BlockStopSignals();

  ComSession com;
  shell::SingleInstance instance;
  std::string error;
  if (!instance.Acquire(&error)) {
    std::fprintf(stderr, "orlin-phone: %s\n", error.c_str());
    return 1;
  }

  cameras::RegisterCaptureFilterClass();
  cameras::ChooseCamera(options.camera);
  const std::string cameraName = shell::CameraInUseText();
  CameraCapture capture;
  capture.SetChunkSpread(std::chrono::milliseconds(options.pace_ms));
  if (options.headless) {
    return shell::RunHeadless(capture, cameraName, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
  }
  // The main screen names a camera that does not open by why it does not.
  const std::string problem = shell::CameraProblem();
  return tui::RunMainWindow(capture, problem.empty() ? cameraName : problem);
}
