// A one-line edit box as the dialogs use it: a character limit, an optional
// number input mode, and the select-all state a dialog leaves it in, so the
// first key typed replaces the old text and the first Back clears it.
#pragma once

#include <cstddef>
#include <string>

namespace orlin::phone::shell {

class EditBox {
 public:
  EditBox(std::size_t maxChars, bool numbersOnly) : max_chars_(maxChars), numbers_only_(numbersOnly) {}

  void SetText(const std::string& text);
  void SelectAll() { all_selected_ = !text_.empty(); }
  // Types one character; false when the box refuses it (full, not printable,
  // or not a digit in number mode).
  bool Type(char c);
  // The Back key: deletes the selection, else the last character.
  void Back();

  const std::string& Text() const { return text_; }
  bool AllSelected() const { return all_selected_; }
  std::size_t MaxChars() const { return max_chars_; }

 private:
  std::string text_;
  std::size_t max_chars_;
  bool numbers_only_;
  bool all_selected_ = false;
};

// The edit box's text read as an unsigned number, as a dialog reads it: 0 when
// it is empty, holds anything but digits, or does not fit 32 bits.
unsigned ReadUnsigned(const std::string& text);

}  // namespace orlin::phone::shell
