#include "phone/shell/edit_box.h"

#include <cstdint>

namespace orlin::phone::shell {

void EditBox::SetText(const std::string& text) {
  text_ = text.substr(0, max_chars_);
  all_selected_ = false;
}

bool EditBox::Type(char c) {
  const bool printable = c >= 0x20 && c < 0x7F;
  if (!printable || (numbers_only_ && (c < '0' || c > '9'))) return false;
  if (all_selected_) {
    text_.clear();
    all_selected_ = false;
  }
  if (text_.size() >= max_chars_) return false;
  text_ += c;
  return true;
}

void EditBox::Back() {
  if (all_selected_) {
    text_.clear();
    all_selected_ = false;
  } else if (!text_.empty()) {
    text_.pop_back();
  }
}

unsigned ReadUnsigned(const std::string& text) {
  if (text.empty()) return 0;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > UINT32_MAX) return 0;
  }
  return static_cast<unsigned>(value);
}

}  // namespace orlin::phone::shell
