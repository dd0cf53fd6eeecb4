// The Linux registry's hive file: its ".reg" text, where it lives, how it is
// replaced, and what a damaged file does (and does not) do.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "orlin/registry.h"
#include "platform/posix/win32/registry_hive.h"

namespace orlin::platform {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kKey[] = u"SOFTWARE\\Tessaly\\Orlin\\VideoFormat";

// Points the process's registry at files in a fresh directory, and puts the
// environment back afterwards.
class HiveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orlin-hive-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("ORLIN_PC_REGISTRY", File().c_str(), 1);
    SelectRegistryHive(RegistryHive::kPc);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    SelectRegistryHive(RegistryHive::kPc);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string File(const char* name = "pc.reg") const { return (dir_ / name).string(); }

  void Write(const std::string& text, const char* name = "pc.reg") const {
    std::ofstream(File(name), std::ios::binary) << text;
  }
  std::string Read(const char* name = "pc.reg") const {
    std::ifstream in(File(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static LSTATUS QueryDword(const char16_t* key, const char16_t* name, DWORD& number) {
    RegistryKey open;
    if (const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, open.Receive());
        status != ERROR_SUCCESS) {
      return status;
    }
    DWORD size = 4;
    return RegQueryValueExW(open.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
  }
  static LSTATUS SetDword(const char16_t* key, const char16_t* name, DWORD number) {
    RegistryKey open;
    if (const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE,
                                               nullptr, open.Receive(), nullptr);
        status != ERROR_SUCCESS) {
      return status;
    }
    const BYTE bytes[4] = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    return RegSetValueExW(open.Get(), name, 0, REG_DWORD, bytes, 4);
  }

  static constexpr const char* kVariables[] = {"ORLIN_PC_REGISTRY", "ORLIN_PHONE_REGISTRY",
                                               "XDG_CONFIG_HOME", "HOME"};
  fs::path dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(HiveFileTest, WritesTextThatRegeditImports) {
  ASSERT_EQ(SetDword(kKey, u"Width", 176), ERROR_SUCCESS);
  RegistryKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, key.Receive()), ERROR_SUCCESS);
  const BYTE fourcc[4] = {'I', 'Y', 'U', 'V'};
  ASSERT_EQ(RegSetValueExW(key.Get(), u"FourCC", 0, REG_BINARY, fourcc, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"CLSID\\{1}", REG_SZ, u"Orlin \"Camera\"", 0), ERROR_SUCCESS);

  EXPECT_EQ(Read(),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{1}]\r\n"
            "@=\"Orlin \\\"Camera\\\"\"\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\r\n"
            "\"Width\"=dword:000000b0\r\n"
            "\"FourCC\"=hex:49,59,55,56\r\n"
            "\r\n");
}

TEST_F(HiveFileTest, ReadsAHandEditedFile) {
  Write(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
      "; the PC's video format\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\n"
      "\"Width\" = dword:140\n"
      "\"Height\"=dword:000000F0\n"
      "\"FourCC\"=hex:49,59,\\\n"
      "  55,56\n"
      "\"Old\"=dword:1\n"
      "\"Old\"=-\n"
      "[HKEY_CLASSES_ROOT\\Orlin.Test]\n"
      "@=\"a \\\\ b\"\n");
  DWORD number = 0;
  ASSERT_EQ(QueryDword(kKey, u"Width", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 320u);
  ASSERT_EQ(QueryDword(kKey, u"Height", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 240u);
  ASSERT_EQ(QueryDword(kKey, u"FourCC", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 0x56555949u);
  EXPECT_EQ(QueryDword(kKey, u"Old", number), ERROR_FILE_NOT_FOUND);

  RegistryKey classes;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"orlin.test", 0, KEY_READ, classes.Receive()), ERROR_SUCCESS);
  char16_t text[16] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(RegQueryValueExW(classes.Get(), u"", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(text), u"a \\ b");
}

TEST_F(HiveFileTest, UnusualValuesSurviveARoundTrip) {
  registry::Hive hive;
  registry::Node& node = hive.Ensure(registry::SplitPath(u"SOFTWARE\\Tessaly\\Ünïcode"));
  std::vector<std::uint8_t> longBinary(100);
  for (std::size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = std::uint8_t(i * 7);
  node.SetValue(u"Long", REG_BINARY, longBinary);
  node.SetValue(u"Empty", REG_BINARY, {});
  node.SetValue(u"ShortDword", REG_DWORD, {1, 2});
  node.SetValue(u"Lines", REG_SZ, {'a', 0, '\n', 0, 'b', 0, 0, 0});
  node.SetValue(u"Unterminated", REG_SZ, {'a', 0});
  node.SetValue(u"Quote\"Name", REG_SZ, {0xAC, 0x20, 0, 0});  // the euro sign
  node.SetValue(u"", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  hive.Ensure(registry::SplitPath(u"SOFTWARE\\EmptyLeaf"));

  const std::string text = registry::FormatRegFile(hive);
  registry::Hive back;
  const auto error = registry::ParseRegFile(text, back);
  ASSERT_FALSE(error) << error->line << ": " << error->message << "\n" << text;
  EXPECT_EQ(registry::FormatRegFile(back), text);
  const registry::Node* read = back.Find(registry::SplitPath(u"software\\tessaly\\ÜNïCODE"));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->values.size(), node.values.size());
  for (std::size_t i = 0; i < node.values.size(); ++i) {
    EXPECT_EQ(read->values[i].name, node.values[i].name);
    EXPECT_EQ(read->values[i].type, node.values[i].type);
    EXPECT_EQ(read->values[i].data, node.values[i].data);
  }
  EXPECT_NE(back.Find(registry::SplitPath(u"SOFTWARE\\EmptyLeaf")), nullptr);
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    EXPECT_LE(end - start, 80u) << "line too long for regedit's style";
  }
}

TEST_F(HiveFileTest, MalformedTextNamesTheFirstBadLine) {
  struct Case {
    const char* text;
    int line;
  };
  const std::string header = "Windows Registry Editor Version 5.00\n";
  const Case cases[] = {
      {"REGEDIT4\n", 1},
      {"; comment\n\nWindows Registry Editor Version 4.00\n", 3},
      {"Windows Registry Editor Version 5.00\n\"Width\"=dword:1\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software]\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=dword:123456789\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=dword:\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\n\"W\"=dword:12g\n", 4},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W=dword:1\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=\"x\" y\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=\"\\q\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=word:1\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=hex:1,02\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=hex:01,\\\n  zz\n", 4},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=hex:01,\\\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"W\"=hex(q):01\n", 3},
      {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE]\n", 2},
      {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\A]\n\"W\"=dword:1\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\\xC3]\n", 2},
      {"Windows Registry Editor Version 5.00\nWidth=1\n", 2},
  };
  for (const Case& c : cases) {
    registry::Hive hive;
    const auto error = registry::ParseRegFile(c.text, hive);
    ASSERT_TRUE(error) << c.text;
    EXPECT_EQ(error->line, c.line) << c.text << error->message;
    EXPECT_FALSE(error->message.empty());
  }
  registry::Hive hive;
  EXPECT_FALSE(registry::ParseRegFile("", hive)) << "an empty file is an empty hive";
  EXPECT_FALSE(registry::ParseRegFile(header + "[-HKEY_LOCAL_MACHINE\\Nothing]\n", hive));
}

TEST_F(HiveFileTest, MalformedFileReadsEmptyIsReportedOnceAndIsNeverOverwritten) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\n"
      "\"Width\"=dword:0000014\n"
      "\"Height\"=dwrod:000000f0\n";
  Write(damaged);
  DWORD number = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(QueryDword(kKey, u"Width", number), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryDword(kKey, u"Width", number), ERROR_FILE_NOT_FOUND);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find(File() + ":5:"), std::string::npos) << message;
  EXPECT_EQ(message.find(":5:"), message.rfind(":5:")) << "reported once: " << message;

  testing::internal::CaptureStderr();
  EXPECT_EQ(SetDword(kKey, u"Width", 640), ERROR_BADDB);
  RegistryKey root;
  EXPECT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"X", REG_SZ, u"y", 0), ERROR_BADDB);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Read(), damaged);

  // Mended by hand: read again at the next call, without a restart.
  std::string mended = damaged;
  mended.replace(mended.find("dwrod"), 5, "dword");
  Write(mended);
  ASSERT_EQ(QueryDword(kKey, u"Height", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 240u);
  EXPECT_EQ(SetDword(kKey, u"Width", 640), ERROR_SUCCESS);
}

TEST_F(HiveFileTest, ChangesByAnotherProcessAreSeenByOpenHandles) {
  ASSERT_EQ(SetDword(kKey, u"Width", 176), ERROR_SUCCESS);
  RegistryKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
  std::string text = Read();
  text.replace(text.find("000000b0"), 8, "000000b1");  // same size, same second
  Write(text);
  DWORD number = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(key.Get(), u"Width", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 0xb1u);

  Write("Windows Registry Editor Version 5.00\n");
  size = 4;
  EXPECT_EQ(RegQueryValueExW(key.Get(), u"Width", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_KEY_DELETED);
}

TEST_F(HiveFileTest, WriteReplacesTheFileAndFollowsASymlink) {
  ASSERT_EQ(SetDword(kKey, u"Width", 176), ERROR_SUCCESS);
  struct stat before {};
  ASSERT_EQ(stat(File().c_str(), &before), 0);
  ASSERT_EQ(SetDword(kKey, u"Height", 144), ERROR_SUCCESS);
  struct stat after {};
  ASSERT_EQ(stat(File().c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino) << "written in place, not replaced";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "a temporary file was left behind";

  fs::create_directory(dir_ / "dotfiles");
  fs::rename(File(), dir_ / "dotfiles" / "pc.reg");
  fs::create_symlink(dir_ / "dotfiles" / "pc.reg", File());
  ASSERT_EQ(SetDword(kKey, u"Width", 320), ERROR_SUCCESS);
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_NE(Read("dotfiles/pc.reg").find("\"Width\"=dword:00000140"), std::string::npos);
}

TEST_F(HiveFileTest, FailedWriteReportsAnErrorAndLosesOnlyThatChange) {
  setenv("ORLIN_PC_REGISTRY", "/dev/null/orlin/pc.reg", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(SetDword(kKey, u"Width", 320), ERROR_CANTWRITE);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("/dev/null/orlin/pc.reg"), std::string::npos) << message;
  DWORD number = 0;
  EXPECT_EQ(QueryDword(kKey, u"Width", number), ERROR_FILE_NOT_FOUND);
}

TEST_F(HiveFileTest, PhoneAndPcKeepSeparateFilesInTheConfigDirectory) {
  unsetenv("ORLIN_PC_REGISTRY");
  unsetenv("ORLIN_PHONE_REGISTRY");
  setenv("HOME", dir_.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RegistryHiveFile(), File(".config/orlin/pc.reg"));
  setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
  EXPECT_EQ(RegistryHiveFile(), File("xdg/orlin/pc.reg"));

  ASSERT_EQ(SetDword(kKey, u"Width", 176), ERROR_SUCCESS);  // makes the directories
  SelectRegistryHive(RegistryHive::kPhone);
  EXPECT_EQ(RegistryHiveFile(), File("xdg/orlin/phone.reg"));
  DWORD number = 0;
  EXPECT_EQ(QueryDword(kKey, u"Width", number), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(SetDword(kKey, u"Width", 640), ERROR_SUCCESS);
  setenv("ORLIN_PHONE_REGISTRY", File("phone-test.reg").c_str(), 1);
  EXPECT_EQ(RegistryHiveFile(), File("phone-test.reg"));

  SelectRegistryHive(RegistryHive::kPc);
  ASSERT_EQ(QueryDword(kKey, u"Width", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 176u);
  EXPECT_NE(Read("xdg/orlin/phone.reg").find("dword:00000280"), std::string::npos);
}

}  // namespace
}  // namespace orlin::platform
