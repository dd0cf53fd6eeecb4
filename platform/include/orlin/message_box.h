// Message boxes: the user-visible failures of every program. On Windows the real
// MessageBoxW; on Linux MessageBoxW writes the caption and text to stderr.
// Tests catch the messages with a hook instead of showing them.
#pragma once

#include <functional>

#include "orlin/win_types.h"

#ifndef _WIN32
struct HWND__;
using HWND = HWND__*;

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ICONERROR 0x00000010u
#define MB_ICONHAND MB_ICONERROR
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#define IDOK 1
#define IDCANCEL 2

// Writes "caption: text" to stderr and answers IDOK (or what a hook answers).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
#endif

namespace orlin {

using MessageBoxHook = std::function<int(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)>;

// Shows a message box, or hands it to the installed hook. Returns the button.
int ShowMessage(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Installs `hook` for all threads (an empty one removes it); returns the old one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Keeps a hook installed for its own lifetime.
class ScopedMessageBoxHook {
 public:
  explicit ScopedMessageBoxHook(MessageBoxHook hook) : previous_(SetMessageBoxHook(std::move(hook))) {}
  ~ScopedMessageBoxHook() { SetMessageBoxHook(std::move(previous_)); }
  ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
  ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

 private:
  MessageBoxHook previous_;
};

}  // namespace orlin
