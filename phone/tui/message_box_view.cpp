#include "phone/tui/message_box_view.h"

#include <curses.h>

#include <algorithm>

#include "orlin/text_lines.h"
#include "phone/shell/shell_text.h"
#include "phone/tui/curses_screen.h"

namespace orlin::phone::tui {
namespace {

std::string Text(LPCWSTR text) {
  WideText wide;
  for (; text != nullptr && *text != 0; ++text) wide += *text;
  return shell::Narrow(wide);
}

}  // namespace

MessageBoxView::MessageBoxView()
    : screen_thread_(std::this_thread::get_id()),
      hook_([this](HWND, LPCWSTR text, LPCWSTR caption, UINT) {
        const std::string captionText = caption != nullptr ? Text(caption) : shell::kTitle;
        if (std::this_thread::get_id() != screen_thread_) {
          std::lock_guard<std::mutex> guard(pending_lock_);
          pending_.emplace_back(captionText, Text(text));
          return IDOK;
        }
        return Show(captionText, Text(text));
      }) {}

void MessageBoxView::ShowPending() {
  std::vector<std::pair<std::string, std::string>> messages;
  {
    std::lock_guard<std::mutex> guard(pending_lock_);
    messages.swap(pending_);
  }
  for (const auto& [caption, text] : messages) Show(caption, text);
}

int MessageBoxView::Show(const std::string& caption, const std::string& text) {
  const int width = std::min(std::max(static_cast<int>(text.size()) + 4, 24), std::max(COLS - 2, 10));
  const std::vector<std::string> lines = WrapText(text, width - 4);
  const int height = static_cast<int>(lines.size()) + 4;
  WINDOW* box = newwin(height, width, std::max((LINES - height) / 2, 0), std::max((COLS - width) / 2, 0));
  if (box == nullptr) return IDOK;
  keypad(box, TRUE);
  // Plain ASCII edges: they look the same in every terminal and in captures.
  wborder(box, '|', '|', '-', '-', '+', '+', '+', '+');
  // The caption sits in the top border, as a message box's title bar.
  mvwaddnstr(box, 0, 2, (" " + caption + " ").c_str(), width - 4);
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    mvwaddnstr(box, 1 + i, 2, lines[i].c_str(), width - 4);
  }
  wattron(box, A_REVERSE);
  mvwaddstr(box, height - 2, std::max((width - 6) / 2, 1), "  OK  ");
  wattroff(box, A_REVERSE);
  wrefresh(box);
  wtimeout(box, 500);
  for (;;) {
    const int key = wgetch(box);
    if (StopRequested()) break;
    if (IsEnter(key) || key == ' ' || key == KeyF1() || IsEscape(key) || IsBack(key)) break;
  }
  delwin(box);
  touchwin(stdscr);
  refresh();
  return IDOK;
}

}  // namespace orlin::phone::tui
