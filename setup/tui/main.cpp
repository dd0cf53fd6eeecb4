// orlin-setup: the PC's setup dialog in a terminal. It stores the video format
// the phone sends in the PC settings hive, where the camera filter reads it,
// and registers liborlin.so there.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "orlin/registry.h"
#include "setup/setup_actions.h"
#include "setup/tui/curses_view.h"
#include "terminal/curses_session.h"

namespace {

constexpr char kHelp[] =
    "Usage: orlin-setup\n"
    "\n"
    "The Orlin Camera Setup dialog in the terminal. Enter the video format that the\n"
    "phone program lists (FourCC, width, height), the bits per pixel and the special\n"
    "settings. OK or Apply stores them in the PC settings hive, where the camera\n"
    "filter reads them, and registers liborlin.so (found in ../lib beside this program\n"
    "or on LD_LIBRARY_PATH); OK then closes, Apply stays, Cancel or Esc closes without\n"
    "saving.\n"
    "\n"
    "Keys: Tab and Shift-Tab move between controls, Up and Down choose the bits per\n"
    "pixel, Space ticks a box or presses a button, Enter presses OK (or the button\n"
    "that has the focus), Backspace deletes.\n"
    "\n"
    "The hive is $ORLIN_PC_REGISTRY when set, else $XDG_CONFIG_HOME/orlin/pc.reg\n"
    "(~/.config/orlin/pc.reg). Exit status: 0 once the dialog has ended, 1 when it\n"
    "cannot run (no terminal), 2 for bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
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
    std::fprintf(stderr, "orlin-setup: unexpected argument '%s' (try --help)\n", arg.c_str());
    return 2;
  }
  if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
    std::fputs("orlin-setup: the dialog needs a terminal (try --help)\n", stderr);
    return 1;
  }

  using namespace orlin::setup;
  orlin::platform::SelectRegistryHive(orlin::platform::RegistryHive::kPc);
  SetupEnvironment environment;
  environment.libraryFileName = Widen("liborlin.so");
  const SetupActions actions(std::move(environment));

  orlin::terminal::CursesSession session;
  const tui::MessageBoxView messages;
  tui::SetupScreen screen(actions.Start());
  for (;;) {
    tui::DrawSetupScreen(screen);
    const int key = tui::ReadScreenKey();
    const tui::Command command = key < 0 ? tui::Command::kCancel : screen.HandleKey(key);
    if (command == tui::Command::kCancel) break;
    if (command == tui::Command::kOk || command == tui::Command::kApply) {
      actions.SaveAndRegister(screen.Entries());
      if (command == tui::Command::kOk) break;
    }
  }
  return 0;
}
