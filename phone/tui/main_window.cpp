#include <algorithm>
#include <chrono>

#include "phone/shell/commands.h"
#include "phone/shell/live_status.h"
#include "phone/shell/shell_text.h"
#include "phone/tui/curses_screen.h"
#include "phone/tui/message_box_view.h"
#include "phone/tui/screens.h"

namespace orlin::phone::tui {
namespace {

// The status block from a sixth of the way down, centred, then the live line
// while a sender runs and, while frames go out in pieces, the note; the camera and
// the format line on the client area's last lines.
void DrawMain(const CameraCapture& capture, const std::string& cameraName,
              const shell::LiveStatus& live) {
  DrawFrame(shell::kTitle, shell::kCloseKey, shell::kSettingsKey);
  const int clientTop = 1;
  const int clientBottom = Rows() - 1;  // the soft-key bar's row
  int row = clientTop + (clientBottom - clientTop) / 6;
  for (const std::string& line : shell::StatusBlock(capture)) DrawCentred(row++, line);
  if (capture.Sender() != nullptr) {
    DrawCentred(++row, live.Line());
    if (live.InPieces()) {
      ++row;
      for (const std::string& line : shell::PiecesNoteLines()) DrawCentred(++row, line);
    }
  }
  DrawText(clientBottom - 2, 0, "Camera: " + cameraName);
  VideoFormat format;
  if (capture.GetVideoFormat(&format)) DrawText(clientBottom - 1, 0, shell::FormatLine(format));
  Present();
}

}  // namespace

int RunMainWindow(CameraCapture& capture, const std::string& cameraName) {
  CursesScreen screen;
  MessageBoxView messages;
  // The main screen owns every message box the capture and sender show.
  static int ownerTag;
  capture.SetMessageOwner(reinterpret_cast<HWND>(&ownerTag), ORLIN_TEXT("Orlin"));

  // Shown first, so the start's failures appear over it; then drawn again
  // with what the start brought.
  shell::LiveStatus live;
  DrawMain(capture, cameraName, live);
  capture.StartCapture();
  for (;;) {
    if (const FrameSender* sender = capture.Sender()) {
      live.Update(shell::CountsOf(*sender), std::chrono::steady_clock::now());
    }
    DrawMain(capture, cameraName, live);
    messages.ShowPending();
    // Waking now and then only serves messages from other threads.
    const int key = ReadKey(500);
    if (key == KeyF1() || StopRequested()) break;
    std::optional<shell::Command> command;
    if (key == KeyF2()) command = RunSettingsMenu();
    if (!command) continue;
    switch (*command) {
      case shell::Command::kVideoFormat: RunVideoFormatDialog(capture, messages); break;
      case shell::Command::kDestination: RunDestinationDialog(capture, messages); break;
      case shell::Command::kCompression: RunCompressionDialog(capture, messages); break;
      case shell::Command::kClose: break;
    }
  }
  capture.StopCapture();
  return 0;
}

}  // namespace orlin::phone::tui
