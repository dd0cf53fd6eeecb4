// Messages reach a hook instead of the screen, on both platforms.
#include <gtest/gtest.h>

#include <string>

#include "orlin/message_box.h"

namespace {

std::u16string Text(LPCWSTR text) {
  std::u16string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char16_t>(*text);
  return out;
}

TEST(MessageBoxHook, ShowMessageHandsEverythingToTheHookAndReturnsItsAnswer) {
  HWND seenOwner = nullptr;
  std::u16string seenText, seenCaption;
  UINT seenType = 0;
  HWND owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
  orlin::ScopedMessageBoxHook hook([&](HWND o, LPCWSTR text, LPCWSTR caption, UINT type) {
    seenOwner = o;
    seenText = Text(text);
    seenCaption = Text(caption);
    seenType = type;
    return IDCANCEL;
  });
  EXPECT_EQ(orlin::ShowMessage(owner, ORLIN_TEXT("Invalid socket"), ORLIN_TEXT("Orlin"),
                               MB_OK | MB_ICONERROR),
            IDCANCEL);
  EXPECT_EQ(seenOwner, owner);
  EXPECT_EQ(seenText, u"Invalid socket");
  EXPECT_EQ(seenCaption, u"Orlin");
  EXPECT_EQ(seenType, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST(MessageBoxHook, NestedHooksRestoreTheOuterOne) {
  int outer = 0, inner = 0;
  orlin::ScopedMessageBoxHook outerHook([&](HWND, LPCWSTR, LPCWSTR, UINT) { return ++outer; });
  {
    orlin::ScopedMessageBoxHook innerHook([&](HWND, LPCWSTR, LPCWSTR, UINT) { return ++inner; });
    orlin::ShowMessage(nullptr, ORLIN_TEXT("a"), ORLIN_TEXT("b"), MB_OK);
  }
  orlin::ShowMessage(nullptr, ORLIN_TEXT("a"), ORLIN_TEXT("b"), MB_OK);
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 1);
}

}  // namespace
