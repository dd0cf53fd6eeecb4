// The setup dialog as a terminal screen, apart from curses: the controls in
// their tab order, the focus, and what each key does to them. Typed letters in
// the FourCC field become upper case; width and height take digits only; those
// three take at most four characters; the bits-per-pixel list is chosen from,
// never typed into. The sender field takes any printable character, up to the
// length a text setting holds.
#pragma once

#include <utility>

#include "setup/setup_entries.h"

namespace orlin::setup::tui {

// The controls in the dialog's tab order; Detect and the sender field, added
// to the dialog, come last.
enum class Control {
  kFourCC,
  kWidth,
  kHeight,
  kBitsPerPixel,
  kCompression,
  kPixelCorrection,
  kSwapUV,
  kOk,
  kApply,
  kCancel,
  kDetect,
  kAcceptFrom,
};
inline constexpr int kControlCount = 12;

// What a key asks of the program.
enum class Command { kNone, kOk, kApply, kCancel, kDetect };

// Keys the screen knows, apart from printable characters (their own codes).
enum Key : int {
  kKeyTab = '\t',
  kKeyEnter = '\n',
  kKeyEscape = 27,
  kKeyBackspace = 127,
  kKeyUp = 0x10000,
  kKeyDown,
  kKeyBackTab,
};

class SetupScreen {
 public:
  explicit SetupScreen(SetupEntries entries) : entries_(std::move(entries)) {}

  const SetupEntries& Entries() const { return entries_; }
  Control Focus() const { return focus_; }
  void SetFocus(Control control) { focus_ = control; }

  // Detect's result replaces every control's content; nothing is saved.
  void Fill(SetupEntries entries) { entries_ = std::move(entries); }

  // A line under the Detect button: what Detect or the last Apply did.
  const WideText& Status() const { return status_; }
  void SetStatus(WideText status) { status_ = std::move(status); }

  // Tab and Shift-Tab move the focus, and so do Up and Down except on the
  // list, where they choose the entry above or below. Characters go to the
  // focused field, Backspace deletes its last one; a change to the sender
  // field makes it the one saved. Space ticks a check box or presses a
  // button; Enter presses the focused button, else OK (the default button);
  // Esc is Cancel.
  Command HandleKey(int key);

 private:
  void MoveFocus(int delta);
  void Type(int key);
  void Erase();
  void ChooseBitsPerPixel(int delta);
  Command Press();

  SetupEntries entries_;
  WideText status_;
  Control focus_ = Control::kFourCC;
};

}  // namespace orlin::setup::tui
