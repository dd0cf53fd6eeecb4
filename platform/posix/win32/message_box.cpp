// Linux has no message boxes for our programs: the message goes to stderr, where
// a terminal user or a service log sees it.
#include <cstdio>

#include "platform/common/message_box_hook.h"
#include "platform/posix/win32/utf16.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (orlin::MessageBoxHook hook = orlin::detail::CurrentMessageBoxHook()) {
    return hook(owner, text, caption, type);
  }
  const std::string captionText = orlin::detail::Utf16ToUtf8(caption);
  const std::string bodyText = orlin::detail::Utf16ToUtf8(text);
  std::fprintf(stderr, "%s: %s\n", captionText.c_str(), bodyText.c_str());
  std::fflush(stderr);
  return IDOK;
}
