#include <curses.h>

#include <algorithm>
#include <cstring>

#include "phone/tui/curses_screen.h"
#include "phone/tui/screens.h"

namespace orlin::phone::tui {

std::optional<shell::Command> RunSettingsMenu() {
  const int count = static_cast<int>(shell::kSettingsMenu.size());
  int width = 0;
  for (const auto& item : shell::kSettingsMenu) width = std::max(width, static_cast<int>(std::strlen(item.text)));
  width += 8;
  const int height = count + 2;
  // A pop-up above the right soft key, as the phone opens it.
  WINDOW* menu = newwin(height, width, std::max(LINES - 1 - height, 0), std::max(COLS - width, 0));
  if (menu == nullptr) return std::nullopt;
  keypad(menu, TRUE);
  int selected = 0;
  std::optional<shell::Command> chosen;
  for (;;) {
    werase(menu);
    wborder(menu, '|', '|', '-', '-', '+', '+', '+', '+');
    for (int i = 0; i < count; ++i) {
      if (i == selected) wattron(menu, A_REVERSE);
      mvwprintw(menu, 1 + i, 1, " %d %-*s", i + 1, width - 6, shell::kSettingsMenu[i].text);
      if (i == selected) wattroff(menu, A_REVERSE);
    }
    wrefresh(menu);
    wtimeout(menu, 500);
    const int key = wgetch(menu);
    if (StopRequested()) break;
    if (IsUp(key)) selected = (selected + count - 1) % count;
    if (IsDown(key)) selected = (selected + 1) % count;
    if (key >= '1' && key < '1' + count) {
      chosen = shell::kSettingsMenu[key - '1'].command;
      break;
    }
    if (IsEnter(key)) {
      chosen = shell::kSettingsMenu[selected].command;
      break;
    }
    if (key == KeyF2() || IsEscape(key) || IsBack(key) || key == KeyF1()) break;
  }
  delwin(menu);
  touchwin(stdscr);
  return chosen;
}

}  // namespace orlin::phone::tui
