// What the setup's tests share: a stand-in for the filter library, held
// loaded so that its call count outlives the setup's own loads and frees, and
// a fixture that catches every message box and owns a key of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "orlin/com.h"
#include "orlin/module.h"
#include "setup/setup_actions.h"

namespace orlin::setup {

inline WideText W(const char* text) {
  return Widen(text);
}

inline constexpr WCHAR kTestKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\Orlin\\SetupTest");
inline const HWND kDialog = reinterpret_cast<HWND>(std::uintptr_t(0x5e7));

struct Message {
  HWND owner;
  WideText text;
  WideText caption;
  UINT type;
};

// The test library, held loaded so that its call count lives across the
// setup's own loads and frees.
class TestLibrary {
 public:
  explicit TestLibrary(const char* name) : module_(LoadLibraryExW(W(name).c_str(), nullptr, 0)) {}
  ~TestLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  template <class Function>
  Function Export(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }
  int Calls() const { return Export<int (*)()>("RegisterCalls")(); }
  void SetResult(HRESULT hr) const { Export<void (*)(HRESULT)>("SetRegisterResult")(hr); }
  bool Loaded() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};

class SetupActionsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey); }
  void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey); }

  SetupActions Actions(const char* library = SETUP_TEST_LIBRARY) const {
    SetupEnvironment environment;
    environment.owner = kDialog;
    environment.libraryFileName = W(library);
    environment.settingsKey = kTestKey;
    return SetupActions(std::move(environment));
  }
  static SetupEntries Entries(const char* width = "320") {
    return {W("YV12"), W(width), W("240"), 4 /* 16 */, false, true, false};
  }
  bool Stored() const {
    platform::RegistryKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
  }
  VideoFormatSettings Read() const {
    VideoFormatSettings settings{};
    settings::ReadVideoFormatSettings(settings, kTestKey);
    return settings;
  }
  std::optional<WideText> ReadAcceptFrom() const {
    return settings::ReadTextSetting(settings::kAcceptFromValueName, kTestKey);
  }

  std::vector<Message> messages_;
  ScopedMessageBoxHook hook_{[this](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    messages_.push_back({owner, text, caption, type});
    return IDOK;
  }};
};

}  // namespace orlin::setup
