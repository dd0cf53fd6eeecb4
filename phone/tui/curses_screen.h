// The terminal as the phone's display: a caption bar on top, the client area,
// and the soft-key bar at the bottom naming what F1 and F2 do.
#pragma once

#include <string>

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

// Starts curses for the life of the object and restores the terminal after.
// SIGINT, SIGTERM and SIGHUP then ask the screens to close as Close does, so
// the capture stops and the terminal is restored rather than left raw.
class CursesScreen {
 public:
  CursesScreen();
  ~CursesScreen();
  CursesScreen(const CursesScreen&) = delete;
  CursesScreen& operator=(const CursesScreen&) = delete;
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
