#include "setup/setup_text.h"

#include "setup/setup_resources.h"
#include "setup/setup_texts.h"

namespace orlin::setup {

WideText Widen(const char* text) {
  WideText wide;
  for (; text != nullptr && *text != '\0'; ++text) wide += WCHAR(static_cast<unsigned char>(*text));
  return wide;
}

std::string Narrow(const WideText& text) {
  std::string narrow;
  for (const WCHAR c : text) narrow += c < 0x80 ? char(c) : '?';
  return narrow;
}

WideText BuiltInString(unsigned id) {
  switch (id) {
    case IDS_CAPTION:
      return Widen(SETUP_STRING_1);
    case IDS_SAVE_FAILED:
      return Widen(SETUP_STRING_2);
    case IDS_OLE_FAILED:
      return Widen(SETUP_STRING_3);
    case IDS_LIBRARY_NOT_FOUND:
      return Widen(SETUP_STRING_4);
    case IDS_ENTRY_POINT_MISSING:
      return Widen(SETUP_STRING_5);
    case IDS_REGISTRATION_FAILED:
      return Widen(SETUP_STRING_6);
    default:
      return {};
  }
}

WideText ExpandText(const WideText& text, const WideText& first, const WideText& second,
                    std::size_t capacity) {
  WideText result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const WCHAR next = i + 1 < text.size() ? text[i + 1] : 0;
    if (text[i] == '%' && (next == '1' || next == '2')) {
      result += next == '1' ? first : second;
      ++i;
    } else {
      // Any other "%" stays, and the character after it is looked at anew.
      result += text[i];
    }
  }
  if (capacity == 0) return {};
  if (result.size() > capacity - 1) result.resize(capacity - 1);
  return result;
}

}  // namespace orlin::setup
