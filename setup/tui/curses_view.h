// The setup screen drawn with curses: the dialog's controls in a frame titled
// "Orlin Camera Setup", and message boxes as boxes over it.
#pragma once

#include "setup/setup_actions.h"
#include "setup/tui/setup_screen.h"

namespace orlin::setup::tui {

// Whether the terminal holds the whole dialog.
bool ScreenFits();

// Draws the screen with the focus on its control; on a terminal too small
// for it, a line that says the size it needs instead.
void DrawSetupScreen(const SetupScreen& screen);

// Waits for a key and gives it in the screen's terms (Key or a character);
// -1 when a stop signal (SIGINT, SIGTERM, SIGHUP) arrived.
int ReadScreenKey();

// Whether Esc was pressed or a stop signal arrived, without waiting; other
// keys pressed meanwhile are dropped. For a wait that the user may end.
bool CancelRequested();

// Shows message boxes on the terminal for as long as it lives: caption in the
// top edge, the text wrapped at its line breaks and spaces, and an OK button
// that Enter, Space or Esc press.
class MessageBoxView {
 public:
  MessageBoxView();

 private:
  ScopedMessageBoxHook hook_;
};

}  // namespace orlin::setup::tui
