#include "phone/tui/curses_screen.h"

#include <curses.h>

#include <algorithm>

namespace orlin::phone::tui {

bool StopRequested() { return terminal::StopRequested(); }

int KeyF1() { return KEY_F(1); }
int KeyF2() { return KEY_F(2); }
bool IsEnter(int key) { return key == '\n' || key == '\r' || key == KEY_ENTER; }
bool IsBack(int key) { return key == KEY_BACKSPACE || key == 127 || key == 8; }
bool IsEscape(int key) { return key == 27; }
bool IsUp(int key) { return key == KEY_UP; }
bool IsDown(int key) { return key == KEY_DOWN; }
bool IsTab(int key) { return key == '\t'; }
bool IsBackTab(int key) { return key == KEY_BTAB; }
bool IsResize(int key) { return key == KEY_RESIZE; }

CursesScreen::CursesScreen() { curs_set(0); }

int Rows() { return LINES; }
int Columns() { return COLS; }

void DrawFrame(const std::string& caption, const std::string& leftKey, const std::string& rightKey) {
  erase();
  attron(A_REVERSE);
  mvhline(0, 0, ' ', COLS);
  mvaddnstr(0, 1, caption.c_str(), std::max(COLS - 2, 0));
  mvhline(LINES - 1, 0, ' ', COLS);
  const std::string left = leftKey.empty() ? "" : "F1 " + leftKey;
  const std::string right = rightKey.empty() ? "" : rightKey + " F2";
  mvaddnstr(LINES - 1, 1, left.c_str(), std::max(COLS - 2, 0));
  const int rightColumn = std::max(COLS - 1 - static_cast<int>(right.size()), 0);
  mvaddnstr(LINES - 1, rightColumn, right.c_str(), COLS - rightColumn);
  attroff(A_REVERSE);
}

void DrawText(int row, int column, const std::string& text, bool highlighted) {
  if (row < 0 || row >= LINES || column >= COLS) return;
  if (highlighted) attron(A_REVERSE);
  mvaddnstr(row, std::max(column, 0), text.c_str(), COLS - std::max(column, 0));
  if (highlighted) attroff(A_REVERSE);
}

void DrawCentred(int row, const std::string& text) {
  DrawText(row, std::max((COLS - static_cast<int>(text.size())) / 2, 0), text);
}

void ShowCursorAt(int row, int column) {
  move(row, column);
  curs_set(1);
}

void HideCursor() { curs_set(0); }

void Present() { refresh(); }

int ReadKey(int milliseconds) {
  timeout(milliseconds);
  return getch();
}

}  // namespace orlin::phone::tui
