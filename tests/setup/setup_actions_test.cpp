// The setup's OK and Apply: what is written where the filter reads it, what
// is registered, and every message the user sees, caught by the message box
// hook. Runs on the real registry under Wine and on the hive file on Linux.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "tests/setup/setup_fixture.h"
#include "wire/four_cc.h"

namespace orlin::setup {
namespace {

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
  ASSERT_EQ(settings::WriteTextSetting(settings::kAcceptFromValueName, W("phone.local"), kTestKey),
            ERROR_SUCCESS);
  const SetupEntries entries = Actions().Start();
  EXPECT_EQ(entries,
            (SetupEntries{W("YV"), W("176"), W("144"), -1, true, false, false, W("phone.local")}));
  // With nothing selected, saving fails until a choice is made.
  EXPECT_FALSE(Actions().Save(entries));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, W("One or more of the values are invalid.\n"
                                  "BitsPerPixel must be 1 to 32: choose it from the list."));
  EXPECT_EQ(Read().Width, 0u);
}

TEST_F(SetupActionsTest, InvalidValuesAreRefusedNamingTheFirstBadFieldAndNothingWritten) {
  struct Case {
    SetupEntries entries;
    const char* line;
  };
  const Case cases[] = {
      {Entries("0"), "Width must be 1 to 4096."},
      {Entries("4097"), "Width must be 1 to 4096."},
      {Entries(""), "Width must be 1 to 4096."},
      {{W("YV12"), W("0"), W("0"), -1, false, false, false}, "Width must be 1 to 4096."},
      {{W("YV12"), W("320"), W("4097"), -1, false, false, false}, "Height must be 1 to 4096."},
      {{W("YV12"), W("320"), W("240"), -1, false, false, false},
       "BitsPerPixel must be 1 to 32: choose it from the list."},
  };
  for (const Case& c : cases) {
    messages_.clear();
    EXPECT_FALSE(Actions().Save(c.entries)) << c.line;
    ASSERT_EQ(messages_.size(), 1u) << c.line;
    EXPECT_EQ(messages_[0].text, W("One or more of the values are invalid.\n") + W(c.line));
    EXPECT_EQ(messages_[0].caption, W("OrlinSetup"));
    EXPECT_EQ(messages_[0].type, 0x2010u);
    EXPECT_EQ(messages_[0].owner, kDialog);
    EXPECT_FALSE(Stored()) << c.line;
  }
  EXPECT_TRUE(Actions().Save(Entries("4096")));
  EXPECT_EQ(Read().Width, 4096u);
}

// The sender is checked with the other values, before anything is written: a
// name that does not resolve would keep the camera from starting.
TEST_F(SetupActionsTest, SenderThatCannotBeFoundIsRefusedAndEmptyMeansAnySender) {
  const char* const advice = " Enter the phone's IPv4 address, or leave it empty for any sender.";
  struct Case {
    WideText typed;
    WideText message;                  // empty: saved
    std::optional<WideText> stored{};  // what the filter then reads
  };
  const Case cases[] = {
      {W("no-such-host.invalid"),
       W("Accept frames only from: no-such-host.invalid cannot be found.") + W(advice)},
      {WideText(256, 'x'),
       W("Accept frames only from: the name is longer than 255 characters.") + W(advice)},
      {W(" 127.0.0.1\t"), {}, W("127.0.0.1")},
      {W(""), {}, std::nullopt},  // any sender: the value stored before is deleted
  };
  for (const Case& c : cases) {
    messages_.clear();
    SetupEntries entries = Entries();
    entries.acceptFrom = c.typed;
    const bool refused = !c.message.empty();
    EXPECT_EQ(Actions().Save(entries), !refused) << Narrow(c.typed);
    if (refused) {
      ASSERT_EQ(messages_.size(), 1u) << Narrow(c.typed);
      EXPECT_EQ(messages_[0].text, c.message);
      EXPECT_EQ(messages_[0].type, 0x2010u);
      EXPECT_FALSE(Stored()) << "nothing written";
    } else {
      EXPECT_TRUE(messages_.empty()) << Narrow(messages_[0].text);
      EXPECT_EQ(ReadAcceptFrom(), c.stored) << Narrow(c.typed);
      EXPECT_EQ(Read().Width, 320u);
    }
  }
}

// A stored sender the setup cannot read shows as empty; saving the empty field
// unedited must not turn it into "any sender".
TEST_F(SetupActionsTest, UnreadableStoredSenderIsKeptUntilTheFieldIsEdited) {
  {
    platform::RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    const BYTE number[4] = {1, 0, 0, 0};
    RegSetValueExW(key.Get(), settings::kAcceptFromValueName, 0, REG_DWORD, number, 4);
  }
  SetupEntries entries = Actions().Start();
  EXPECT_EQ(entries.acceptFrom, W(""));
  EXPECT_TRUE(entries.acceptFromUnreadable);
  entries.width = W("320");
  EXPECT_TRUE(Actions().Save(entries));
  EXPECT_EQ(Read().Width, 320u);
  EXPECT_EQ(ReadAcceptFrom(), std::optional(WideText())) << "still there, still unreadable";
  entries.acceptFromUnreadable = false;  // the field was edited, and left empty
  EXPECT_TRUE(Actions().Save(entries));
  EXPECT_EQ(ReadAcceptFrom(), std::nullopt);
}

TEST_F(SetupActionsTest, ApplyTwiceWritesAndRegistersTwiceWithoutAMessage) {
  TestLibrary library(SETUP_TEST_LIBRARY);
  ASSERT_TRUE(library.Loaded());
  const int before = library.Calls();
  const SetupActions actions = Actions();
  EXPECT_EQ(actions.SaveAndRegister(Entries()), SaveOutcome::kSavedAndRegistered);
  EXPECT_EQ(Read(), (VideoFormatSettings{wire::kFourCC_YV12, 320, 240, 16, 0, 1, 0}));
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
  EXPECT_EQ(actions.SaveAndRegister(Entries()), SaveOutcome::kSavedAndRegistered);
  EXPECT_EQ(Read(), (VideoFormatSettings{wire::kFourCC_YV12, 320, 240, 16, 0, 1, 0}));
  EXPECT_EQ(library.Calls() - before, 2);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SetupActionsTest, AbsentLibraryNamesItselfTheRegisteringToolAndError126) {
#ifdef _WIN32
  const char* tool = "regsvr32";
#else
  const char* tool = "orlin-regsvr";
#endif
  EXPECT_FALSE(Actions("orlin-absent-library").Register());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            W("orlin-absent-library was not found, but you can register it manually with the "
              "command '") +
                W(tool) + W(" \"orlin-absent-library\"'.\nGetLastError returns 0x0000007e."));
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
  EXPECT_EQ(Actions().SaveAndRegister(Entries()), SaveOutcome::kSavedNotRegistered);
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
    storedWhenWarned = Read().Width == 2560;
    messages_.push_back({owner, text, caption, type});
    return IDOK;
  });
  // Compression asked for in a picture too wide for the codec.
  Actions().SaveAndRegister({W("IYUV"), W("2560"), W("1440"), 3, true, false, true});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].text.find(W("the phone sends 2560 x 1440 frames uncompressed")),
            WideText::npos)
      << Narrow(messages_[0].text);
  EXPECT_EQ(messages_[0].type, 0x2030u);
  EXPECT_TRUE(storedWhenWarned);
  EXPECT_EQ(library.Calls() - before, 1);  // and registered all the same
}

TEST_F(SetupActionsTest, KeyTheRegistryRefusesAsksForAdministratorRights) {
  // The Linux hive takes any name; its refusals are tested with the hive file.
  if (std::getenv("ORLIN_PC_REGISTRY") != nullptr) GTEST_SKIP() << "a registry with name limits";
  const WideText key = kTestKey + W("\\") + WideText(300, 'k');  // past the 255-character limit
  SetupEnvironment environment;
  environment.libraryFileName = W(SETUP_TEST_LIBRARY);
  environment.settingsKey = key.c_str();
  TestLibrary library(SETUP_TEST_LIBRARY);
  const int before = library.Calls();
  EXPECT_EQ(SetupActions(std::move(environment)).SaveAndRegister(Entries()),
            SaveOutcome::kNotSaved);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            W("Saving the video format failed. You must have administrator rights."));
  EXPECT_EQ(library.Calls(), before);  // no registration either
}

}  // namespace
}  // namespace orlin::setup
