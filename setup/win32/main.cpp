// OrlinSetup.exe: one modal dialog in which the PC user enters the video format
// the phone sends; it stores the format where the camera filter reads it and
// registers Orlin.dll.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "setup/win32/setup_dialog.h"

namespace {

constexpr char kHelp[] =
    "Usage: OrlinSetup.exe\n"
    "\n"
    "Opens the Orlin Camera Setup dialog: enter the video format that OrlinPhone lists\n"
    "(FourCC, width, height), the bits per pixel and the special settings. OK or Apply\n"
    "stores them under HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat and registers\n"
    "Orlin.dll (found beside the program or on the search path); both need administrator\n"
    "rights. Other arguments are ignored.\n";

// --help and --version answer on the console of the caller, if there is one;
// every other argument is ignored and the dialog runs.
bool AnswerCommandLine() {
  const char* answer = nullptr;
  for (int i = 1; i < __argc; ++i) {
    if (std::strcmp(__argv[i], "--help") == 0 || std::strcmp(__argv[i], "/?") == 0) answer = kHelp;
    if (std::strcmp(__argv[i], "--version") == 0) answer = "OrlinSetup " ORLIN_VERSION "\n";
  }
  if (answer == nullptr) return false;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::FILE* out = nullptr;
    if (freopen_s(&out, "CONOUT$", "w", stdout) == 0) std::fputs(answer, stdout);
  } else {
    std::fputs(answer, stdout);
  }
  std::fflush(stdout);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (AnswerCommandLine()) return 0;
  InitCommonControls();
  orlin::setup::win32::RunSetupDialog(instance);
  // The dialog's outcome is the user's to see; the exit code is always 0.
  return 0;
}
