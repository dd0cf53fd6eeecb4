// orlin-setup: the PC's setup dialog in a terminal. It stores the video format
// the phone sends in the PC settings hive, where the camera filter reads it,
// and registers liborlin.so there. With --detect it takes the format from the
// phone's announcement and saves it without the dialog.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "orlin/registry.h"
#include "platform/posix/filter_library_path.h"
#include "platform/posix/win32/utf16.h"
#include "setup/detect.h"
#include "setup/setup_actions.h"
#include "setup/stream_check.h"
#include "setup/tui/curses_view.h"
#include "terminal/curses_session.h"

namespace {

using namespace orlin::setup;

// liborlin.so of this build or installation, by its whole path: a library
// loaded by its bare name is looked for on the path of whoever calls dlopen,
// which a sanitizer's runtime that wraps dlopen turns into its own. Otherwise
// the bare name, for LD_LIBRARY_PATH.
WideText FilterLibrary() {
  const auto wide = orlin::detail::Utf16FromUtf8(orlin::platform::FilterLibraryPath());
  return wide && !wide->empty() ? *wide : Widen("liborlin.so");
}

constexpr char kHelp[] =
    "Usage: orlin-setup\n"
    "       orlin-setup --detect [--seconds N] [--any-sender]\n"
    "\n"
    "The Orlin Camera Setup dialog in the terminal. Enter the video format that the\n"
    "phone program lists (FourCC, width, height), the bits per pixel and the special\n"
    "settings, or press Detect to fill them in from the format that a running\n"
    "orlin-phone announces (it listens on UDP port 4445 for 3 seconds). OK or Apply\n"
    "stores them in the PC settings hive, where the camera filter reads them, and\n"
    "registers liborlin.so (the one built or installed with this program, else\n"
    "found on LD_LIBRARY_PATH); OK then closes, Apply stays, Cancel or Esc closes\n"
    "without saving. \"Accept frames only from\" takes the phone's address (Detect\n"
    "proposes it): the camera then takes frames from no other sender; empty, from\n"
    "any.\n"
    "\n"
    "Keys: Tab and Shift-Tab move between controls, Up and Down choose the bits per\n"
    "pixel, Space ticks a box or presses a button, Enter presses OK (or the button\n"
    "that has the focus), Backspace deletes.\n"
    "\n"
    "--detect     no dialog: listen on UDP port 4445 for the phone's format\n"
    "             announcement, then save the settings that receive its stream and\n"
    "             register liborlin.so, as OK does, and print what was saved where.\n"
    "             The address the announcement came from is saved as the one\n"
    "             sender frames are accepted from.\n"
    "--seconds N  how long --detect listens, 1 to 3600 (default 5).\n"
    "--any-sender with --detect: accept frames from any sender instead (the stored\n"
    "             sender is removed).\n"
    "\n"
    "The hive is $ORLIN_PC_REGISTRY when set, else $XDG_CONFIG_HOME/orlin/pc.reg\n"
    "(~/.config/orlin/pc.reg). Exit status: 0 once the dialog has ended, or once\n"
    "--detect saved and registered; 1 when the dialog cannot run (no terminal) or\n"
    "--detect received nothing or could not save or register; 2 for bad usage.\n";

constexpr unsigned kDefaultDetectSeconds = 5;
constexpr unsigned long kMaxDetectSeconds = 3600;

int Usage(const std::string& complaint) {
  std::fprintf(stderr, "orlin-setup: %s (try --help)\n", complaint.c_str());
  return 2;
}

// --detect: listen, then save and register as OK does.
int DetectAndSave(const SetupActions& actions, unsigned seconds, bool anySender) {
  const std::uint16_t port = AnnouncementPort();
  const DWORD timeoutMs = seconds * 1000;
  std::printf("orlin-setup: %s\n", Narrow(ListeningText(port, timeoutMs)).c_str());
  std::fflush(stdout);
  const Detection detection = DetectSettings(port, timeoutMs);
  if (!detection.failure.empty()) {
    std::fprintf(stderr, "orlin-setup: %s\n", Narrow(CannotListenText(detection.failure)).c_str());
    return 1;
  }
  if (!detection.settings) {
    std::fprintf(stderr, "orlin-setup: %s\n", Narrow(NothingArrivedText(port, timeoutMs)).c_str());
    return 1;
  }
  // Refusals and warnings come as the dialog's messages, on stderr.
  const WideText sender = anySender ? WideText() : detection.sender;
  if (!actions.SaveSettings(*detection.settings, sender)) return 1;
  std::printf("orlin-setup: saved %s\n  to HKEY_LOCAL_MACHINE\\%s in %s\n",
              Narrow(SettingsLine(*detection.settings)).c_str(),
              Narrow(orlin::settings::kVideoFormatKeyPath).c_str(),
              orlin::platform::RegistryHiveFile().c_str());
  if (sender.empty()) {
    std::puts("orlin-setup: Frames will be accepted from any sender.");
  } else {
    std::printf("orlin-setup: Frames will be accepted only from %s, the phone's address.\n",
                Narrow(sender).c_str());
  }
  const WideText largeFrames = LargeFramesLine(*detection.settings, detection.level);
  if (!largeFrames.empty()) std::printf("orlin-setup: %s\n", Narrow(largeFrames).c_str());
  std::fflush(stdout);
  if (!actions.Register()) return 1;
  std::puts("orlin-setup: registered liborlin.so");
  return 0;
}

// The dialog's Detect: the fields from the announcement, or a message why not.
void Detect(const SetupActions& actions, tui::SetupScreen& screen) {
  const std::uint16_t port = AnnouncementPort();
  screen.SetStatus(ListeningText(port, kDialogDetectMs));
  tui::DrawSetupScreen(screen);
  bool cancelled = false;
  const Detection detection = DetectSettings(port, kDialogDetectMs, [&cancelled] {
    cancelled = cancelled || tui::CancelRequested();
    return cancelled;
  });
  screen.SetStatus({});
  if (!detection.failure.empty()) {
    actions.ShowWarning(CannotListenText(detection.failure));
  } else if (detection.settings) {
    screen.Fill(DetectedEntries(*detection.settings, detection.sender));
    screen.SetStatus(Widen(kDetectedStatus));
  } else if (!cancelled) {
    actions.ShowWarning(NothingArrivedText(port, kDialogDetectMs));
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool detect = false;
  bool anySender = false;
  const char* secondsText = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("orlin-setup " ORLIN_VERSION);
      return 0;
    }
    if (arg == "--detect") {
      detect = true;
    } else if (arg == "--any-sender") {
      anySender = true;
    } else if (arg == "--seconds") {
      if (i + 1 == argc) return Usage("--seconds needs a number");
      secondsText = argv[++i];
    } else {
      return Usage("unexpected argument '" + arg + "'");
    }
  }
  if (anySender && !detect) return Usage("--any-sender goes with --detect");
  unsigned seconds = kDefaultDetectSeconds;
  if (secondsText != nullptr) {
    if (!detect) return Usage("--seconds goes with --detect");
    char* end = nullptr;
    const unsigned long value = std::strtoul(secondsText, &end, 10);
    if (*secondsText < '0' || *secondsText > '9' || *end != '\0' || value < 1 ||
        value > kMaxDetectSeconds) {
      return Usage("--seconds takes 1 to 3600, not '" + std::string(secondsText) + "'");
    }
    seconds = static_cast<unsigned>(value);
  }
  if (!detect && (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0)) {
    std::fputs("orlin-setup: the dialog needs a terminal (try --help)\n", stderr);
    return 1;
  }

  orlin::platform::SelectRegistryHive(orlin::platform::RegistryHive::kPc);
  SetupEnvironment environment;
  environment.libraryFileName = FilterLibrary();
  const SetupActions actions(std::move(environment));
  if (detect) return DetectAndSave(actions, seconds, anySender);

  orlin::terminal::CursesSession session;
  const tui::MessageBoxView messages;
  tui::SetupScreen screen(actions.Start());
  if (screen.Entries().acceptFromUnreadable) screen.SetStatus(Widen(kAcceptFromUnreadable));
  for (;;) {
    tui::DrawSetupScreen(screen);
    const int key = tui::ReadScreenKey();
    if (key < 0) break;
    // Keys act only on a dialog the user can see; Esc still cancels.
    if (!tui::ScreenFits()) {
      if (key == tui::kKeyEscape) break;
      continue;
    }
    const tui::Command command = screen.HandleKey(key);
    if (command == tui::Command::kCancel) break;
    if (command == tui::Command::kDetect) Detect(actions, screen);
    if (command == tui::Command::kOk || command == tui::Command::kApply) {
      const SaveOutcome outcome = actions.SaveAndRegister(screen.Entries());
      if (command == tui::Command::kOk) break;
      screen.SetStatus(OutcomeText(outcome));
    }
  }
  return 0;
}
