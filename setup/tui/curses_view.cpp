#include "setup/tui/curses_view.h"

#include <curses.h>

#include <algorithm>
#include <string>
#include <vector>

#include "orlin/text_lines.h"
#include "setup/setup_texts.h"
#include "setup/stream_check.h"
#include "terminal/curses_session.h"

namespace orlin::setup::tui {
namespace {

// The dialog's frame, in columns and rows.
constexpr int kWidth = 78;
constexpr int kHeight = 24;

void Box(int top, int left, int height, int width, const std::string& title = {}) {
  mvaddch(top, left, '+');
  mvhline(top, left + 1, '-', width - 2);
  mvaddch(top, left + width - 1, '+');
  for (int row = top + 1; row < top + height - 1; ++row) {
    mvaddch(row, left, '|');
    mvaddch(row, left + width - 1, '|');
  }
  mvaddch(top + height - 1, left, '+');
  mvhline(top + height - 1, left + 1, '-', width - 2);
  mvaddch(top + height - 1, left + width - 1, '+');
  if (!title.empty()) mvaddstr(top, left + 2, (" " + title + " ").c_str());
}

// At most `maxLines` lines of the text, wrapped at `width`.
void Paragraph(int top, int left, int width, const std::string& text, int maxLines = 8) {
  const std::vector<std::string> lines = WrapText(text, width);
  for (std::size_t i = 0; i < lines.size() && int(i) < maxLines; ++i) {
    mvaddnstr(top + int(i), left, lines[i].c_str(), width);
  }
}

// In place of a dialog cut off at the terminal's edges.
void TooSmall() {
  erase();
  const std::string text = "The terminal is " + std::to_string(COLS) + " x " +
                           std::to_string(LINES) + "; " SETUP_TITLE " needs " +
                           std::to_string(kWidth) + " x " + std::to_string(kHeight) +
                           ". Enlarge it, or press Esc to cancel.";
  Paragraph(0, 0, std::max(COLS, 1), text, std::max(LINES, 1));
  curs_set(0);
  refresh();
}

// The phone program's format list, as the picture beside the texts shows it.
void FormatListPicture(int top, int left) {
  static const char* const kPicture[] = {
      "Orlin              ", "Select Video Format:", "> YV12  176 x 144  ", "  YV12  320 x 240  ",
      "  YV12  640 x 480  ", "  YUY2  176 x 144  ",  "  YUY2  320 x 240  ", "OK           Cancel",
  };
  Box(top, left, 10, 22);
  for (int i = 0; i < 8; ++i) {
    const bool bar = i == 0 || i == 7 || i == 2;
    if (bar) attron(A_REVERSE);
    mvaddstr(top + 1 + i, left + 1, kPicture[i]);
    if (bar) attroff(A_REVERSE);
  }
}

// Where the cursor goes when the focus is on a field.
struct Cursor {
  int row = -1;
  int column = -1;
};

void Field(int row, int column, const WideText& text, bool focused, Cursor& cursor) {
  const std::string shown = Narrow(text);
  mvaddstr(row, column,
           ("[" + std::string(std::max(kFieldMaxChars, shown.size()), ' ') + "]").c_str());
  if (focused) attron(A_UNDERLINE);
  mvaddstr(row, column + 1, shown.c_str());
  if (focused) {
    attroff(A_UNDERLINE);
    cursor = {row, column + 1 + int(shown.size())};
  }
}

// A field wider than the dialog has room for shows its end, where typing goes.
void LongField(int row, int column, int width, const WideText& text, bool focused, Cursor& cursor) {
  std::string shown = Narrow(text);
  if (int(shown.size()) > width - 1) shown.erase(0, shown.size() - std::size_t(width - 1));
  mvaddstr(row, column, ("[" + std::string(std::size_t(width), ' ') + "]").c_str());
  if (focused) attron(A_UNDERLINE);
  mvaddstr(row, column + 1, shown.c_str());
  if (focused) {
    attroff(A_UNDERLINE);
    cursor = {row, column + 1 + int(shown.size())};
  }
}

void CheckBox(int row, int column, bool checked, const char* label, bool focused) {
  mvaddstr(row, column, checked ? "[x] " : "[ ] ");
  if (focused) attron(A_REVERSE);
  addstr(label);
  if (focused) attroff(A_REVERSE);
}

void Button(int row, int column, const char* label, bool focused, bool isDefault) {
  const std::string text =
      std::string(isDefault ? "<" : "[") + "  " + label + "  " + (isDefault ? ">" : "]");
  if (focused) attron(A_REVERSE);
  mvaddstr(row, column, text.c_str());
  if (focused) attroff(A_REVERSE);
}

}  // namespace

bool ScreenFits() {
  return COLS >= kWidth && LINES >= kHeight;
}

void DrawSetupScreen(const SetupScreen& screen) {
  if (!ScreenFits()) {
    TooSmall();
    return;
  }
  const SetupEntries& entries = screen.Entries();
  const Control focus = screen.Focus();
  Cursor cursor;
  erase();
  Box(0, 0, kHeight, kWidth, SETUP_TITLE);
  FormatListPicture(1, 2);
  Paragraph(1, 26, 50, SETUP_INTRO_TEXT);
  Paragraph(6, 26, 50, SETUP_INSTRUCTION_TEXT);

  mvaddstr(12, 2, SETUP_FOURCC_LABEL);
  Field(12, 10, entries.fourCC, focus == Control::kFourCC, cursor);
  mvaddstr(12, 20, SETUP_WIDTH_LABEL);
  Field(12, 27, entries.width, focus == Control::kWidth, cursor);
  mvaddstr(12, 37, SETUP_HEIGHT_LABEL);
  Field(12, 45, entries.height, focus == Control::kHeight, cursor);
  // What the format asks of the phone, as the fields change.
  mvaddnstr(13, 2, Narrow(LargeFramesLine(entries)).c_str(), kWidth - 3);

  mvaddstr(14, 2, SETUP_BITS_PER_PIXEL_LABEL);
  const std::string bits =
      entries.bitsPerPixel >= 0
          ? std::to_string(kBitsPerPixelChoices[std::size_t(entries.bitsPerPixel)])
          : "";
  std::string list = bits;
  list.resize(3, ' ');
  if (focus == Control::kBitsPerPixel) attron(A_REVERSE);
  mvaddstr(14, 16, ("[" + list + "v]").c_str());
  if (focus == Control::kBitsPerPixel) attroff(A_REVERSE);

  Box(14, 30, 6, 30, SETUP_SPECIAL_SETTINGS);
  CheckBox(15, 33, entries.compression, SETUP_COMPRESSION, focus == Control::kCompression);
  CheckBox(16, 33, entries.pixelCorrection, SETUP_PIXEL_CORRECTION,
           focus == Control::kPixelCorrection);
  CheckBox(17, 33, entries.swapUV, SETUP_SWAP_UV, focus == Control::kSwapUV);

  Button(16, 2, SETUP_DETECT, focus == Control::kDetect, false);
  Paragraph(18, 2, 27, Narrow(screen.Status()), 3);

  Button(21, 8, SETUP_OK, focus == Control::kOk, true);
  Button(21, 30, SETUP_APPLY, focus == Control::kApply, false);
  Button(21, 52, SETUP_CANCEL, focus == Control::kCancel, false);

  mvaddstr(22, 2, SETUP_ACCEPT_FROM_LABEL);
  LongField(22, 27, 47, entries.acceptFrom, focus == Control::kAcceptFrom, cursor);
  mvaddstr(kHeight - 1, 2, " Tab: next  Up/Down: list  Space: tick/press  Enter: OK  Esc: Cancel ");

  if (cursor.row >= 0) {
    move(cursor.row, cursor.column);
    curs_set(1);
  } else {
    curs_set(0);
  }
  refresh();
}

int ReadScreenKey() {
  for (;;) {
    timeout(500);
    const int key = getch();
    if (terminal::StopRequested()) return -1;
    switch (key) {
      case ERR:
        continue;
      case KEY_UP:
        return kKeyUp;
      case KEY_DOWN:
        return kKeyDown;
      case KEY_BTAB:
        return kKeyBackTab;
      case KEY_ENTER:
        return kKeyEnter;
      case KEY_BACKSPACE:
        return kKeyBackspace;
      case '\r':
        return kKeyEnter;
      default:
        return key;
    }
  }
}

bool CancelRequested() {
  timeout(0);
  for (int key = getch(); key != ERR; key = getch()) {
    if (key == 27) return true;
  }
  return terminal::StopRequested();
}

MessageBoxView::MessageBoxView()
    : hook_([](HWND, LPCWSTR text, LPCWSTR caption, UINT) {
        const std::string body = Narrow(text != nullptr ? WideText(text) : WideText());
        const std::string title = Narrow(caption != nullptr ? WideText(caption) : WideText());
        const int width =
            std::min(std::max(static_cast<int>(body.size()) + 4, 24), std::min(COLS - 2, 64));
        const std::vector<std::string> lines = WrapText(body, width - 4);
        const int height = static_cast<int>(lines.size()) + 4;
        WINDOW* box = newwin(height, width, std::max((LINES - height) / 2, 0),
                             std::max((COLS - width) / 2, 0));
        if (box == nullptr) return IDOK;
        keypad(box, TRUE);
        wborder(box, '|', '|', '-', '-', '+', '+', '+', '+');
        mvwaddnstr(box, 0, 2, (" " + title + " ").c_str(), width - 4);
        for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
          mvwaddnstr(box, 1 + i, 2, lines[std::size_t(i)].c_str(), width - 4);
        }
        wattron(box, A_REVERSE);
        mvwaddstr(box, height - 2, std::max((width - 6) / 2, 1), "  OK  ");
        wattroff(box, A_REVERSE);
        curs_set(0);
        wrefresh(box);
        wtimeout(box, 500);
        for (;;) {
          const int key = wgetch(box);
          if (terminal::StopRequested() || key == '\n' || key == '\r' || key == KEY_ENTER ||
              key == ' ' || key == 27)
            break;
        }
        delwin(box);
        touchwin(stdscr);
        refresh();
        return IDOK;
      }) {}

}  // namespace orlin::setup::tui
