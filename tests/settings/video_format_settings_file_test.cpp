// Linux: the PC's settings as they stand in its hive file, written by hand.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/win32/registry_calls.h"
#include "settings/video_format_settings.h"

namespace orlin::settings {
namespace {

using wire::kFourCC_IYUV;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orlin-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    const char* old = std::getenv("ORLIN_PC_REGISTRY");
    if (old != nullptr) saved_ = old;
    setenv("ORLIN_PC_REGISTRY", Path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_.empty()) {
      unsetenv("ORLIN_PC_REGISTRY");
    } else {
      setenv("ORLIN_PC_REGISTRY", saved_.c_str(), 1);
    }
    unlink(Path().c_str());
    rmdir(dir_.c_str());
  }
  std::string Path() const { return dir_ + "/pc.reg"; }
  std::string Read() const {
    std::ifstream in(Path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& values) const {
    std::ofstream(Path(), std::ios::binary)
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\n"
        << values;
  }

  std::string dir_, saved_;
};

TEST_F(SettingsFile, HandWrittenValuesOverTheDefaults) {
  Write(
      "\"FourCC\"=hex:49,59,55,56\n"
      "\"Width\"=dword:00000140\n"
      "\"Height\"=hex:f0,00,00,00,00\n"  // 5 bytes: ignored
      "\"BitsPerPixel\"=dword:00000008\n"
      "\"SwapUV\"=dword:00000001\n"
      "\"Comment\"=\"the phone's format\"\n");
  const VideoFormatSettings settings = LoadFilterSettings();
  EXPECT_EQ(settings.FourCC, kFourCC_IYUV);
  EXPECT_EQ(settings.Width, 320u);
  EXPECT_EQ(settings.Height, 144u);
  EXPECT_EQ(settings.BitsPerPixel, 8u);
  EXPECT_EQ(settings.Compression, 1u);
  EXPECT_EQ(settings.SwapUV, 0u) << "forced off below 12 bits per pixel";
}

TEST_F(SettingsFile, MalformedFileRunsOnDefaultsAndSurvivesTheSetupTool) {
  Write("\"Width\"=dword:00000140\n\"Height\"=240\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadFilterSettings(), kFilterDefaults);
  EXPECT_NE(WriteVideoFormatSettings(kSetupDefaults), ERROR_SUCCESS);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find(Path() + ":5:"), std::string::npos) << message;

  const std::string text = Read();
  EXPECT_NE(text.find("\"Height\"=240"), std::string::npos) << "the damaged file was overwritten";
}

TEST_F(SettingsFile, WrittenByTheStoreAsAPersonWouldReadIt) {
  ASSERT_EQ(WriteVideoFormatSettings(kSetupDefaults), ERROR_SUCCESS);
  const std::string text = Read();
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\r\n"
                      "\"FourCC\"=hex:49,59,55,56\r\n"
                      "\"Width\"=dword:000000b0\r\n"
                      "\"Height\"=dword:00000090\r\n"
                      "\"BitsPerPixel\"=dword:0000000c\r\n"
                      "\"Compression\"=dword:00000001\r\n"
                      "\"PixelCorrection\"=dword:00000000\r\n"
                      "\"SwapUV\"=dword:00000000\r\n"),
            std::string::npos)
      << text;
}

// The setup stores whom frames are taken from: the text lands in the file and
// reads back, an empty one deletes it (absent is any sender), and a text too
// long to read back is refused, leaving what was there.
TEST_F(SettingsFile, TextSettingIsWrittenReadBackAndDeletedWhenEmpty) {
  using Text = std::optional<std::basic_string<WCHAR>>;
  EXPECT_EQ(WriteTextSetting(kAcceptFromValueName, ORLIN_TEXT("")), ERROR_SUCCESS) << "no key yet";
  ASSERT_EQ(WriteTextSetting(kAcceptFromValueName, ORLIN_TEXT("phone.local")), ERROR_SUCCESS);
  ASSERT_EQ(WriteTextSetting(kAcceptFromValueName, ORLIN_TEXT("192.168.1.20")), ERROR_SUCCESS);
  EXPECT_EQ(ReadTextSetting(kAcceptFromValueName), Text(ORLIN_TEXT("192.168.1.20")));
  EXPECT_NE(Read().find("\"AcceptFrom\"=\"192.168.1.20\"\r\n"), std::string::npos) << Read();

  EXPECT_EQ(WriteTextSetting(kAcceptFromValueName,
                             std::basic_string<WCHAR>(kMaxTextSettingChars + 1, WCHAR('x'))),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadTextSetting(kAcceptFromValueName), Text(ORLIN_TEXT("192.168.1.20")));

  ASSERT_EQ(WriteVideoFormatSettings(kSetupDefaults), ERROR_SUCCESS);
  EXPECT_EQ(WriteTextSetting(kAcceptFromValueName, ORLIN_TEXT("")), ERROR_SUCCESS);
  EXPECT_EQ(ReadTextSetting(kAcceptFromValueName), Text());
  EXPECT_EQ(Read().find("AcceptFrom"), std::string::npos) << Read();
  EXPECT_EQ(LoadFilterSettings(), kSetupDefaults) << "the other values stay";
  EXPECT_EQ(WriteTextSetting(kAcceptFromValueName, ORLIN_TEXT("")), ERROR_SUCCESS)
      << "already absent";
}

// Windows gives a 32-bit process WOW6432Node unless the call names the 64-bit
// view; this hive has one view, so the flag is checked on the calls themselves.
TEST_F(SettingsFile, StoreAndFilterAskForThe64BitView) {
  using platform::registry::LastRequestedAccess;
  ASSERT_EQ(WriteVideoFormatSettings(kSetupDefaults), ERROR_SUCCESS);
  EXPECT_EQ(LastRequestedAccess(), KEY_SET_VALUE | KEY_WOW64_64KEY);
  EXPECT_EQ(LoadFilterSettings(), kSetupDefaults);
  EXPECT_EQ(LastRequestedAccess(), KEY_READ | KEY_WOW64_64KEY);
}

}  // namespace
}  // namespace orlin::settings
