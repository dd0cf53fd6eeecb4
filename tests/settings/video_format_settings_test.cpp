// The settings store through the registry of the platform (the real one under
// Wine), below a test-only key that is removed before and after each test.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/video_format_settings.h"

namespace orlin::settings {
namespace {

using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;
using wire::MakeFourCC;

const WCHAR kTestKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\OrlinTest\\VideoFormat");

class VideoFormatStore : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey); }
  void TearDown() override {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ORLIN_TEXT("SOFTWARE\\Tessaly\\OrlinTest"));
  }

  static void Store(const WCHAR* name, DWORD type, std::vector<BYTE> bytes) {
    platform::RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, type, bytes.data(), DWORD(bytes.size())), ERROR_SUCCESS);
  }
  static void StoreDword(const WCHAR* name, DWORD number) {
    Store(name, REG_DWORD, {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)});
  }
  static DWORD StoredType(const WCHAR* name) {
    platform::RegistryKey key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    DWORD type = REG_NONE, size = 0;
    EXPECT_EQ(RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u) << "value " << static_cast<const void*>(name);
    return type;
  }
};

TEST_F(VideoFormatStore, NoKeyRunsOnTheFilterDefaults) {
  const VideoFormatSettings settings = LoadFilterSettings(kTestKey);
  EXPECT_EQ(settings, kFilterDefaults);
  EXPECT_EQ(settings.FourCC, MakeFourCC('I', '4', '2', '0'));
  EXPECT_EQ(settings.Width, 176u);
  EXPECT_EQ(settings.Height, 144u);
  EXPECT_EQ(settings.BitsPerPixel, 12u);
  EXPECT_EQ(settings.Compression, 1u);
  EXPECT_EQ(settings.PixelCorrection | settings.SwapUV, 0u);
}

TEST_F(VideoFormatStore, MissingValuesKeepTheDefaultsTheCallerGave) {
  StoreDword(ORLIN_TEXT("Width"), 320);
  StoreDword(ORLIN_TEXT("Height"), 240);
  StoreDword(ORLIN_TEXT("Brightness"), 7);  // not ours: ignored

  VideoFormatSettings expected = kFilterDefaults;
  expected.Width = 320;
  expected.Height = 240;
  EXPECT_EQ(LoadFilterSettings(kTestKey), expected);

  VideoFormatSettings setup = kSetupDefaults;
  ReadVideoFormatSettings(setup, kTestKey);
  EXPECT_EQ(setup.FourCC, kFourCC_IYUV);
  EXPECT_EQ(setup.Width, 320u);
}

TEST_F(VideoFormatStore, WrittenSettingsReadBackWithTheirTypes) {
  const VideoFormatSettings written{MakeFourCC('Y', 'V', '1', '\0'), 1024, 768, 16, 0, 1, 1};
  ASSERT_EQ(WriteVideoFormatSettings(written, kTestKey), ERROR_SUCCESS);

  VideoFormatSettings read{};
  ReadVideoFormatSettings(read, kTestKey);
  EXPECT_EQ(read, written);
  EXPECT_EQ(StoredType(ORLIN_TEXT("FourCC")), DWORD(REG_BINARY));
  for (const WCHAR* name : {ORLIN_TEXT("Width"), ORLIN_TEXT("Height"), ORLIN_TEXT("BitsPerPixel"),
                            ORLIN_TEXT("Compression"), ORLIN_TEXT("PixelCorrection"), ORLIN_TEXT("SwapUV")}) {
    EXPECT_EQ(StoredType(name), DWORD(REG_DWORD));
  }
}

TEST_F(VideoFormatStore, ValuesNotExactlyFourBytesLeaveTheirFieldAlone) {
  Store(ORLIN_TEXT("Width"), REG_BINARY, {0x40, 0x01, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD});  // 8 bytes
  Store(ORLIN_TEXT("Height"), REG_DWORD, {0xF0, 0x00});                               // 2 bytes
  Store(ORLIN_TEXT("BitsPerPixel"), REG_BINARY, {});                                  // empty
  Store(ORLIN_TEXT("FourCC"), REG_DWORD, {'Y', 'U', 'Y', '2'});  // 4 bytes of any type count
  // A one-character string is 4 bytes of UTF-16 with its terminator: read as a number.
  Store(ORLIN_TEXT("Compression"), REG_SZ, {'0', 0, 0, 0});

  VideoFormatSettings settings = kFilterDefaults;
  ReadVideoFormatSettings(settings, kTestKey);
  EXPECT_EQ(settings.Width, 176u);
  EXPECT_EQ(settings.Height, 144u);
  EXPECT_EQ(settings.BitsPerPixel, 12u);
  EXPECT_EQ(settings.FourCC, kFourCC_YUY2);
  EXPECT_EQ(settings.Compression, 0x30u);
}

// AcceptFrom and ListenAddress: text or nothing, and a value that is there but
// cannot be read is never taken for an absent one (which lets any sender in).
TEST_F(VideoFormatStore, TextSettingsAreTextAbsentOrUnreadable) {
  const auto text = [](const std::string& s, bool terminated) {
    std::vector<BYTE> bytes;
    for (char c : s) bytes.insert(bytes.end(), {BYTE(c), 0});
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
  };
  using Text = std::optional<std::basic_string<WCHAR>>;
  EXPECT_EQ(ReadTextSetting(kAcceptFromValueName, kTestKey), Text());  // no key
  Store(ORLIN_TEXT("A"), REG_SZ, text("192.168.1.20", true));
  Store(ORLIN_TEXT("B"), REG_SZ, text("phone.local", false));
  Store(ORLIN_TEXT("C"), REG_SZ, text("", true));
  Store(ORLIN_TEXT("D"), REG_DWORD, {1, 0, 0, 0});
  Store(ORLIN_TEXT("E"), REG_SZ, text(std::string(kMaxTextSettingChars + 1, 'x'), true));
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("A"), kTestKey), Text(ORLIN_TEXT("192.168.1.20")));
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("B"), kTestKey), Text(ORLIN_TEXT("phone.local")));
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("C"), kTestKey), Text());
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("D"), kTestKey), Text(std::basic_string<WCHAR>()));
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("E"), kTestKey), Text(std::basic_string<WCHAR>()));
  EXPECT_EQ(ReadTextSetting(ORLIN_TEXT("F"), kTestKey), Text());
}

TEST_F(VideoFormatStore, CorrectionsNeedTheBitsTheyExchange) {
  struct Case {
    std::uint32_t bitsPerPixel, pixelCorrection, swapUV;
  };
  const Case cases[] = {
      {8, 1, 0},            // PixelCorrection stays, SwapUV is forced off
      {4, 0, 0},            // both forced off
      {7, 0, 0}, {11, 1, 0}, {12, 1, 1}, {32, 1, 1},
      {0xFFFFFFFFu, 1, 1},  // compared unsigned: a huge value is not "below 8"
  };
  for (const Case& c : cases) {
    VideoFormatSettings settings = kFilterDefaults;
    settings.BitsPerPixel = c.bitsPerPixel;
    settings.PixelCorrection = 1;
    settings.SwapUV = 1;
    ASSERT_EQ(WriteVideoFormatSettings(settings, kTestKey), ERROR_SUCCESS);
    const VideoFormatSettings loaded = LoadFilterSettings(kTestKey);
    EXPECT_EQ(loaded.PixelCorrection, c.pixelCorrection) << c.bitsPerPixel << " bits per pixel";
    EXPECT_EQ(loaded.SwapUV, c.swapUV) << c.bitsPerPixel << " bits per pixel";
  }
}

}  // namespace
}  // namespace orlin::settings
