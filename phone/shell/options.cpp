#include "phone/shell/options.h"

#include <string_view>

namespace orlin::phone::shell {
namespace {

constexpr int kMostPaceMs = 1000;

// Milliseconds from 0 to kMostPaceMs, digits only; -1 for anything else.
int ParsePace(std::string_view text) {
  if (text.empty() || text.size() > 4) return -1;
  int ms = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    ms = ms * 10 + (c - '0');
  }
  return ms <= kMostPaceMs ? ms : -1;
}

}  // namespace

Options ParseOptions(int argc, const char* const* argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--headless") {
      options.headless = true;
    } else if (arg == "--camera") {
      if (i + 1 >= argc || argv[i + 1][0] == 0) {
        options.error = "--camera needs a name (a V4L2 device, a .y4m file, or test)";
        return options;
      }
      options.camera = argv[++i];
    } else if (arg.starts_with("--camera=")) {
      options.camera = std::string(arg.substr(9));
      if (options.camera.empty()) {
        options.error = "--camera needs a name (a V4L2 device, a .y4m file, or test)";
        return options;
      }
    } else if (arg == "--pace" || arg.starts_with("--pace=")) {
      const bool joined = arg != "--pace";
      if (!joined && i + 1 >= argc) {
        options.error = "--pace needs milliseconds (0 to 1000)";
        return options;
      }
      const std::string_view value = joined ? arg.substr(7) : std::string_view(argv[++i]);
      options.pace_ms = ParsePace(value);
      if (options.pace_ms < 0) {
        options.error = "--pace needs milliseconds (0 to 1000), not '" + std::string(value) + "'";
        return options;
      }
    } else {
      options.error = "unknown option: " + std::string(arg);
      return options;
    }
  }
  return options;
}

std::string HelpText() {
  return "Usage: orlin-phone [--camera NAME] [--headless] [--pace MS]\n"
         "\n"
         "Captures a camera and streams its frames over UDP to port 4444 of the\n"
         "destination, where the Orlin Camera filter (or orlin-view) receives them.\n"
         "Beside the stream it announces its format, and the PC settings that\n"
         "receive it, to port 4445 of the destination, about once a second.\n"
         "\n"
         "  --camera NAME  the camera to use: a V4L2 capture device (/dev/video0;\n"
         "                 its motion JPEG modes are decoded), a .y4m file (played\n"
         "                 in a loop at its frame rate), \"test\" for the built-in\n"
         "                 test camera, or \"test:WxH\" for it at that size alone\n"
         "                 (e.g. test:1920x1080; even sides up to 4096)\n"
         "  --headless     no screen: stream until SIGINT (Ctrl-C) or SIGTERM, then\n"
         "                 print the frames and bytes sent, the frames whose sends\n"
         "                 failed and those sent in pieces; while it streams,\n"
         "                 a live line on stderr (every 10 s when not a terminal)\n"
         "                 says what goes out; a stored video format the camera\n"
         "                 does not offer gives way to the camera's first, with a\n"
         "                 line saying so\n"
         "  --pace MS      spread each uncompressed frame's chunks over MS milliseconds\n"
         "                 instead of sending them back to back (0, the default), for\n"
         "                 a PC whose receive buffer cannot hold a whole frame (orlin-view\n"
         "                 says so); keep it below the frame interval, e.g. 16 at 30 fps\n"
         "  --help         show this text\n"
         "  --version      show the version\n"
         "\n"
         "The camera: without --camera the phone uses its first camera, which is the\n"
         "built-in test camera (colour bars, a frame counter and motion, YV12 176 x 144\n"
         "by default, up to 1920 x 1080 in the Video Format list). It always exists\n"
         "and never turns on a webcam you did not name.\n"
         "A named camera that cannot be opened is \"Camera not found\", and the main\n"
         "screen (or, headless, a line on stderr) says why. The main screen shows\n"
         "the camera in use.\n"
         "\n"
         "Settings (video format, destination, compression) persist in the phone's\n"
         "settings file: $ORLIN_PHONE_REGISTRY when set, else\n"
         "$XDG_CONFIG_HOME/orlin/phone.reg (~/.config/orlin/phone.reg), a .reg text\n"
         "file. The destination is localhost until you set another.\n"
         "\n"
         "Keys: F1 is the left soft key (Close on the main screen, OK in a dialog),\n"
         "F2 the right one (the Settings menu, Cancel in a dialog). In the menu, pick\n"
         "with the arrow keys and Enter, or 1 to 3. In dialogs: arrow keys and Tab\n"
         "move, Space ticks a box, Enter is OK, Backspace is the Back key (it edits\n"
         "the text; in the Video Format list it cancels).\n"
         "\n"
         "Only one orlin-phone runs per user: a second start says so and ends.\n"
         "Exit status: 0 after Close or a signal, 1 on failure (headless: also when\n"
         "the destination does not resolve), 2 for bad usage.\n";
}

}  // namespace orlin::phone::shell
