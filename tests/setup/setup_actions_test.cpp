// The setup's OK and Apply: what is written where the filter reads it, what
// is registered, and every message the user sees, caught by the message box
// hook. Runs on the real registry under Wine and on the hive file on Linux.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "filter/four_cc.h"
#include "orlin/com.h"
#include "orlin/module.h"
#include "setup/setup_actions.h"

namespace orlin::setup {
namespace {

WideText W(const char* text) {
  return Widen(text);
}

constexpr WCHAR kTestKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\Orlin\\SetupTest");
const HWND kDialog = reinterpret_cast<HWND>(std::uintptr_t(0x5e7));

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
    filter::ReadVideoFormatSettings(settings, kTestKey);
    return settings;
  }

  std::vector<Message> messages_;
  ScopedMessageBoxHook hook_{[this](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    messages_.push_back({owner, text, caption, type});
    return IDOK;
  }};
};

TEST_F(SetupActionsTest, NothingStoredShowsTheSetupDefaults) {
  const SetupEntries entries = Actions().Start();
  EXPECT_EQ(entries, (SetupEntries{W("IYUV"), W("176"), W("144"), 3, true, false, false}));
}

TEST_F(SetupActionsTest, StoredValuesShowOverTheDefaults) {
  {
    platform::RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    const BYTE fourCC[4] = {'Y', 'V', 0, 0};
    const BYTE bits[4] = {5, 0, 0, 0};
    RegSetValueExW(key.Get(), ORLIN_TEXT("FourCC"), 0, REG_BINARY, fourCC, 4);
    RegSetValueExW(key.Get(), ORLIN_TEXT("BitsPerPixel"), 0, REG_DWORD, bits, 4);
  }
  const SetupEntries entries = Actions().Start();
  EXPECT_EQ(entries, (SetupEntries{W("YV"), W("176"), W("144"), -1, true, false, false}));
  // With nothing selected, saving fails until a choice is made.
  EXPECT_FALSE(Actions().Save(entries));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, W("One or more of the values are invalid."));
  EXPECT_EQ(Read().Width, 0u);
}

TEST_F(SetupActionsTest, InvalidValuesAreRefusedWithAnErrorAndNothingWritten) {
  for (const char* width : {"0", "1025", ""}) {
    messages_.clear();
    EXPECT_FALSE(Actions().Save(Entries(width))) << width;
    ASSERT_EQ(messages_.size(), 1u) << width;
    EXPECT_EQ(messages_[0].text, W("One or more of the values are invalid."));
    EXPECT_EQ(messages_[0].caption, W("OrlinSetup"));
    EXPECT_EQ(messages_[0].type, 0x2010u);
    EXPECT_EQ(messages_[0].owner, kDialog);
    EXPECT_FALSE(Stored()) << width;
  }
  EXPECT_TRUE(Actions().Save(Entries("1024")));
  EXPECT_EQ(Read().Width, 1024u);
}

TEST_F(SetupActionsTest, ApplyTwiceWritesAndRegistersTwiceWithoutAMessage) {
  TestLibrary library(SETUP_TEST_LIBRARY);
  ASSERT_TRUE(library.Loaded());
  const int before = library.Calls();
  const SetupActions actions = Actions();
  actions.SaveAndRegister(Entries());
  EXPECT_EQ(Read(), (VideoFormatSettings{filter::kFourCC_YV12, 320, 240, 16, 0, 1, 0}));
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
  actions.SaveAndRegister(Entries());
  EXPECT_EQ(Read(), (VideoFormatSettings{filter::kFourCC_YV12, 320, 240, 16, 0, 1, 0}));
  EXPECT_EQ(library.Calls() - before, 2);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SetupActionsTest, AbsentLibraryNamesItselfAndError126) {
  Actions("orlin-absent-library").Register();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(
      messages_[0].text,
      W("orlin-absent-library was not found, but you can register it manually with the command "
        "'regsvr32 \"orlin-absent-library\"'.\nGetLastError returns 0x0000007e."));
  EXPECT_EQ(messages_[0].caption, W("OrlinSetup"));
  EXPECT_EQ(messages_[0].type, 0x2030u);
  EXPECT_EQ(messages_[0].owner, kDialog);
}

TEST_F(SetupActionsTest, LibraryWithoutTheExportIsNamedWithTheEntryPoint) {
  const WideText name = W(SETUP_TEST_LIBRARY_WITHOUT_ENTRY_POINT);
  Actions(SETUP_TEST_LIBRARY_WITHOUT_ENTRY_POINT).Register();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            name +
                W(" was loaded, but the DllRegisterServer entry point was not found.\n\n"
                  "DllRegisterServer may not be exported, or a corrupt version of ") +
                name + W(" may be in memory. Consider using PView to detect and remove it."));
}

TEST_F(SetupActionsTest, FailingRegistrationAsksForAdministratorRights) {
  TestLibrary library(SETUP_TEST_LIBRARY);
  ASSERT_TRUE(library.Loaded());
  library.SetResult(E_ACCESSDENIED);
  Actions().SaveAndRegister(Entries());
  library.SetResult(S_OK);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, W("DllRegisterServer in ") + W(SETUP_TEST_LIBRARY) +
                                   W(" failed. You must have administrator rights."));
  EXPECT_EQ(messages_[0].type, 0x2030u);
  // The settings were saved before the registration failed.
  EXPECT_EQ(Read().Width, 320u);
}

TEST_F(SetupActionsTest, FormatThatCannotStreamIsSavedAndWarnedAbout) {
  TestLibrary library(SETUP_TEST_LIBRARY);
  const int before = library.Calls();
  bool storedWhenWarned = false;
  ScopedMessageBoxHook hook([&](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    storedWhenWarned = Read().Width == 1024;
    messages_.push_back({owner, text, caption, type});
    return IDOK;
  });
  Actions().SaveAndRegister({W("YV12"), W("1024"), W("1024"), 3, false, false, false});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find(W("1572864 bytes, which needs 25 chunks")), WideText::npos)
      << Narrow(messages_[0].text);
  EXPECT_EQ(messages_[0].type, 0x2030u);
  EXPECT_TRUE(storedWhenWarned);
  EXPECT_EQ(library.Calls() - before, 1);  // and registered all the same
}

TEST_F(SetupActionsTest, SettingsThatCannotBeWrittenAskForAdministratorRights) {
  // Linux: a hive that does not parse refuses every write; elsewhere a key name
  // longer than the registry takes.
  const char* hive = std::getenv("ORLIN_PC_REGISTRY");
  WideText key = kTestKey;
  if (hive != nullptr) {
    std::ofstream(hive) << "not a registry file\n";
  } else {
    key += W("\\") + WideText(300, 'k');
  }
  SetupEnvironment environment;
  environment.libraryFileName = W(SETUP_TEST_LIBRARY);
  environment.settingsKey = key.c_str();
  TestLibrary library(SETUP_TEST_LIBRARY);
  const int before = library.Calls();
  SetupActions(std::move(environment)).SaveAndRegister(Entries());
  if (hive != nullptr) std::remove(hive);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            W("Saving the video format failed. You must have administrator rights."));
  EXPECT_EQ(library.Calls(), before);  // no registration either
}

}  // namespace
}  // namespace orlin::setup
