// Linux: MessageBoxW writes to stderr, and a hook catches direct calls too.
#include <gtest/gtest.h>

#include "orlin/message_box.h"

namespace {

TEST(PosixMessageBox, WritesCaptionAndTextToStderr) {
  testing::internal::CaptureStderr();
  const int answer =
      MessageBoxW(nullptr, ORLIN_TEXT("Caf\u00e9 not found"), ORLIN_TEXT("Orlin"), MB_ICONERROR);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Orlin: Caf\xc3\xa9 not found\n");
  EXPECT_EQ(answer, IDOK);
}

TEST(PosixMessageBox, DirectCallsReachTheHook) {
  int calls = 0;
  orlin::ScopedMessageBoxHook hook([&](HWND, LPCWSTR, LPCWSTR, UINT) { return ++calls, IDOK; });
  testing::internal::CaptureStderr();
  MessageBoxW(nullptr, ORLIN_TEXT("WSAStartup failed"), ORLIN_TEXT("OrlinView"), MB_ICONERROR);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(calls, 1);
}

}  // namespace
