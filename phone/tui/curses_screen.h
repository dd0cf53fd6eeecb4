// The terminal as the phone's display: a caption bar on top, the client area,
// and the soft-key bar at the bottom naming what F1 and F2 do.
#pragma once

#include <string>

#include "terminal/curses_session.h"

namespace orlin::phone::tui {

// Key codes the screens read (curses' own, gathered here).
int KeyF1();
int KeyF2();
bool IsEnter(int key);
bool IsBack(int key);    // Backspace: the phone's Back key
bool IsEscape(int key);  // Esc: a dialog's own cancel
bool IsUp(int key);
bool IsDown(int key);
bool IsTab(int key);
bool IsBackTab(int key);
bool IsResize(int key);

// The curses session with the cursor hidden (the screens show it only in a
// text field). A stop signal asks the screens to close as Close does, so the
// capture stops before the terminal is restored.
class CursesScreen {
 public:
  CursesScreen();

 private:
  terminal::CursesSession session_;
};

// True once a stop signal arrived; the screens' key loops check it.
bool StopRequested();

int Rows();
int Columns();

// Clears the screen and draws the caption bar and the soft-key bar.
void DrawFrame(const std::string& caption, const std::string& leftKey, const std::string& rightKey);
void DrawText(int row, int column, const std::string& text, bool highlighted = false);
void DrawCentred(int row, const std::string& text);
void ShowCursorAt(int row, int column);
void HideCursor();
void Present();
// Waits for a key; with `milliseconds` >= 0 gives up after that long (-1 then).
int ReadKey(int milliseconds = -1);

}  // namespace orlin::phone::tui
