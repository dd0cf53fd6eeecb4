// The three dialogs on the terminal: each draws its controls full screen under
// the caption "Orlin" with OK on F1 and Cancel on F2, and hands the keys to
// the dialog's logic.
#include <algorithm>
#include <string>

#include "phone/shell/commands.h"
#include "phone/shell/dialogs.h"
#include "phone/shell/shell_text.h"
#include "phone/tui/curses_screen.h"
#include "phone/tui/message_box_view.h"
#include "phone/tui/screens.h"

namespace orlin::phone::tui {
namespace {

enum class Ending { kNone, kOk, kCancel, kOwnCancel };

// F1 / Enter are OK, F2 is Cancel; Esc is the dialog's own cancel.
Ending EndingFor(int key) {
  if (key == KeyF1() || IsEnter(key)) return Ending::kOk;
  if (key == KeyF2()) return Ending::kCancel;
  if (IsEscape(key)) return Ending::kOwnCancel;
  return Ending::kNone;
}

void DrawDialogFrame() { DrawFrame(shell::kTitle, shell::kOkKey, shell::kCancelKey); }

// An edit box as "[text    ]"; the cursor sits after the text, and a
// selected text shows highlighted.
void DrawEditBox(int row, int column, const shell::EditBox& edit, int width, bool focused) {
  DrawText(row, column, "[" + std::string(static_cast<std::size_t>(width), ' ') + "]");
  const std::string& text = edit.Text();
  // Long texts scroll so their end stays in view.
  const std::size_t shown = std::min(text.size(), static_cast<std::size_t>(width - 1));
  DrawText(row, column + 1, text.substr(text.size() - shown), edit.AllSelected());
  if (focused) {
    ShowCursorAt(row, column + 1 + static_cast<int>(shown));
  } else {
    HideCursor();
  }
}

int ReadDialogKey(MessageBoxView& messages) {
  for (;;) {
    const int key = ReadKey(500);
    if (key != -1) return key;
    if (StopRequested()) return KeyF2();  // the dialog cancels; the main screen then closes
    messages.ShowPending();
  }
}

}  // namespace

void RunVideoFormatDialog(CameraCapture& capture, MessageBoxView& messages) {
  shell::VideoFormatDialog dialog(capture);
  if (!dialog.Start()) return;  // nothing was detected to choose from: no restart either
  int top = 0;
  for (;;) {
    DrawDialogFrame();
    HideCursor();
    DrawText(2, 1, shell::kSelectVideoFormat);
    const int listTop = 3;
    const int visible = std::max(Rows() - 1 - listTop - 1, 1);
    const auto& lines = dialog.Lines();
    // The selected line stays in view.
    if (dialog.Selection() >= 0) {
      top = std::clamp(top, dialog.Selection() - visible + 1, dialog.Selection());
    }
    for (int i = 0; i < visible && top + i < static_cast<int>(lines.size()); ++i) {
      const bool selected = top + i == dialog.Selection();
      DrawText(listTop + i, 1, (selected ? "> " : "  ") + lines[top + i], selected);
    }
    if (lines.empty()) DrawText(listTop, 3, "(no formats)");
    Present();
    const int key = ReadDialogKey(messages);
    if (IsUp(key)) dialog.MoveSelection(-1);
    if (IsDown(key)) dialog.MoveSelection(1);
    if (IsResize(key)) continue;
    // Back on the phone is the dialog's own cancel here: this list has no text
    // to take it.
    const Ending ending = IsBack(key) ? Ending::kOwnCancel : EndingFor(key);
    if (ending == Ending::kOk) {
      dialog.Ok();
      return;
    }
    if (ending == Ending::kCancel || ending == Ending::kOwnCancel) {
      dialog.Cancel();
      return;
    }
  }
}

void RunDestinationDialog(CameraCapture& capture, MessageBoxView& messages) {
  shell::DestinationDialog dialog(capture);
  if (!dialog.Start()) return;
  for (;;) {
    DrawDialogFrame();
    DrawText(2, 1, shell::kDestinationAddress);
    DrawEditBox(3, 1, dialog.Edit(), static_cast<int>(shell::DestinationDialog::kMaxChars) + 1, true);
    Present();
    const int key = ReadDialogKey(messages);
    const Ending ending = EndingFor(key);
    if (ending == Ending::kOk) {
      HideCursor();
      dialog.Ok();
      return;
    }
    if (ending == Ending::kCancel) {
      HideCursor();
      dialog.Cancel();
      return;
    }
    // Back goes to the edit box; the dialog stays.
    if (IsBack(key)) dialog.Edit().Back();
    if (key > 0 && key < 0x7F) dialog.Edit().Type(static_cast<char>(key));
  }
}

void RunCompressionDialog(CameraCapture& capture, MessageBoxView& messages) {
  using Control = shell::CompressionDialog::Control;
  shell::CompressionDialog dialog(capture);
  if (!dialog.Start()) return;
  for (;;) {
    DrawDialogFrame();
    HideCursor();
    const Control focus = dialog.Focus();
    DrawText(2, 1, std::string(dialog.CompressionChecked() ? "[x] " : "[ ] ") + shell::kCompressionText,
             focus == Control::kCompression);
    DrawText(3, 1,
             std::string(dialog.PixelCorrectionChecked() ? "[x] " : "[ ] ") + shell::kPixelCorrectionText,
             focus == Control::kPixelCorrection);
    DrawText(4, 1, shell::kNumberOfReductions);
    DrawEditBox(5, 1, dialog.Reductions(), 4, focus == Control::kReductions);
    Present();
    const int key = ReadDialogKey(messages);
    const Ending ending = EndingFor(key);
    if (ending == Ending::kOk) {
      HideCursor();
      dialog.Ok();
      return;
    }
    if (ending == Ending::kCancel) {
      HideCursor();
      dialog.Cancel();
      return;
    }
    if (IsDown(key) || IsTab(key)) dialog.FocusNext(1);
    if (IsUp(key) || IsBackTab(key)) dialog.FocusNext(-1);
    if (key == ' ') dialog.Toggle();
    // Back goes to the edit box whichever control has the focus.
    if (IsBack(key)) dialog.Reductions().Back();
    if (key >= '0' && key <= '9') dialog.Reductions().Type(static_cast<char>(key));
  }
}

}  // namespace orlin::phone::tui
