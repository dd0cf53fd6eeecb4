// Linux: settings that cannot be written, through the hive file: one that
// does not parse refuses the key, and one whose folder takes no new file
// takes the key's opening but not its values. Either way the user is told and
// nothing is registered.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/setup/setup_fixture.h"

namespace orlin::setup {
namespace {

class SetupHiveFile : public SetupActionsTest {
 protected:
  void SetUp() override {
    SetupActionsTest::SetUp();
    saved_ = std::getenv("ORLIN_PC_REGISTRY");
    ASSERT_FALSE(saved_.empty());
  }
  void TearDown() override {
    setenv("ORLIN_PC_REGISTRY", saved_.c_str(), 1);
    SetupActionsTest::TearDown();
  }
  // Saves through the hive file `path` holding `text`; whether it saved, and
  // whether the library was registered.
  bool SaveThrough(const std::string& path, const std::string& text, bool* registered) {
    std::ofstream(path) << text;
    setenv("ORLIN_PC_REGISTRY", path.c_str(), 1);
    TestLibrary library(SETUP_TEST_LIBRARY);
    const int before = library.Calls();
    const bool saved = Actions().Save(Entries());
    if (saved) Actions().Register();
    *registered = library.Calls() != before;
    setenv("ORLIN_PC_REGISTRY", saved_.c_str(), 1);
    std::remove(path.c_str());
    return saved;
  }
  std::string Folder() const { return saved_.substr(0, saved_.find_last_of('/') + 1); }

  std::string saved_;
};

TEST_F(SetupHiveFile, KeyThatCannotBeMadeAsksForAdministratorRights) {
  bool registered = true;
  EXPECT_FALSE(SaveThrough(Folder() + "malformed.reg", "not a registry file\n", &registered));
  EXPECT_FALSE(registered);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            W("Saving the video format failed. You must have administrator rights."));
  EXPECT_EQ(messages_[0].type, 0x2030u);
}

TEST_F(SetupHiveFile, ValuesThatCannotBeWrittenFailTheSaveToo) {
  // No temporary file fits beside a name this long, so the hive is never
  // rewritten; the key is there already, so opening it works.
  const std::string text =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\SetupTest]\n";
  bool registered = true;
  EXPECT_FALSE(SaveThrough(Folder() + std::string(250, 'h'), text, &registered));
  EXPECT_FALSE(registered);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            W("Saving the video format failed. You must have administrator rights."));
}

}  // namespace
}  // namespace orlin::setup
