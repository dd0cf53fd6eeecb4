// The phone's settings as the capture loads them, stores them and shows them.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/phone/capture_fixture.h"
#include "wire/four_cc.h"

namespace orlin::test {
namespace {

using phone::kSettingsKey;
using phone::kVideoFormatKey;
using phone::VideoFormat;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

std::u16string U16(const phone::WideText& text) { return {text.begin(), text.end()}; }

class SettingsTest : public CaptureFixture {
 protected:
  struct Codec {
    std::int32_t compression = -1;
    std::int32_t pixelCorrection = -1;
    std::int32_t numReductions = -1;
  };
  Codec ShownCodec() {
    Codec codec;
    EXPECT_TRUE(capture_.GetCodecSettings(&codec.compression, &codec.pixelCorrection,
                                          &codec.numReductions));
    return codec;
  }
  VideoFormat InForce() {
    VideoFormat format;
    EXPECT_TRUE(capture_.GetVideoFormat(&format));
    return format;
  }
  DWORD StoredDword(LPCWSTR key, LPCWSTR name) {
    platform::RegistryKey opened;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, opened.Receive()), ERROR_SUCCESS);
    DWORD value = 0xDEADBEEF;
    DWORD bytes = sizeof value;
    EXPECT_EQ(RegQueryValueExW(opened.Get(), name, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(&value), &bytes),
              ERROR_SUCCESS);
    return value;
  }
};

TEST_F(SettingsTest, FreshPhoneStreamsTheFirstFormatCompressedToTheDefaultHost) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  const VideoFormat format = InForce();
  EXPECT_EQ(format.FourCC, kFourCC_YV12);
  EXPECT_EQ(format.Width, 176);
  EXPECT_EQ(format.Height, 144);
  const Codec codec = ShownCodec();
  EXPECT_EQ(codec.compression, 1);
  EXPECT_EQ(codec.pixelCorrection, 0);
  EXPECT_EQ(codec.numReductions, 2);
  EXPECT_EQ(U16(capture_.GetDestinationText()), u"localhost");
  EXPECT_EQ(U16(capture_.GetAddressText()), u"127.0.0.1");
  EXPECT_TRUE(Messages().empty());
  // Loading wrote nothing: a fresh phone stays fresh until the user confirms.
  platform::RegistryKey key;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.Receive()),
            ERROR_SUCCESS);
}

TEST_F(SettingsTest, ReductionsAboveThreeRunAndShowAsThree) {
  StoreDword(kSettingsKey, ORLIN_TEXT("NumReductions"), 9);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(ShownCodec().numReductions, 3);
  EXPECT_EQ(capture_.Sender()->NumReductions(), 3);
}

TEST_F(SettingsTest, CompressionRequestedForYuy2ShowsUnticked) {
  StoreDword(kSettingsKey, ORLIN_TEXT("Compression"), 1);
  StoreFormat(kFourCC_YUY2, 320, 240);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(InForce().FourCC, kFourCC_YUY2);
  EXPECT_EQ(ShownCodec().compression, 0);
  // The request is kept: the setting is the user's, the state is the format's.
  EXPECT_EQ(StoredDword(kSettingsKey, ORLIN_TEXT("Compression")), 1u);
}

TEST_F(SettingsTest, FormatKeyWithOnlyFourCCMatchesNoCameraFormat) {
  const std::uint32_t fourCC = kFourCC_YV12;
  StoreBytes(kVideoFormatKey, ORLIN_TEXT("FourCC"), REG_BINARY, &fourCC, sizeof fourCC);
  EXPECT_TRUE(FAILED(capture_.StartCapture()));
  const VideoFormat format = InForce();
  EXPECT_EQ(format.FourCC, kFourCC_YV12);
  EXPECT_EQ(format.Width, 0);
  EXPECT_EQ(format.Height, 0);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Starting the capture failed"});
}

TEST_F(SettingsTest, FourCCIsTheFirstFourBytesOfAnyValueAndShortOnesAreIgnored) {
  const char text[] = "YUY2 and more";
  StoreBytes(kVideoFormatKey, ORLIN_TEXT("FourCC"), REG_BINARY, text, sizeof text);
  StoreDword(kVideoFormatKey, ORLIN_TEXT("Width"), 0x10000 + 640);  // the low 16 bits count
  StoreDword(kVideoFormatKey, ORLIN_TEXT("Height"), 480);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(InForce().FourCC, kFourCC_YUY2);
  EXPECT_EQ(InForce().Width, 640);

  capture_.StopCapture();
  const BYTE two[2] = {'Y', 'U'};
  StoreBytes(kVideoFormatKey, ORLIN_TEXT("FourCC"), REG_BINARY, two, sizeof two);
  StoreFormat(0, 176, 144);
  StoreBytes(kVideoFormatKey, ORLIN_TEXT("FourCC"), REG_BINARY, two, sizeof two);
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(InForce().FourCC, kFourCC_YV12);  // unreadable: the first offered is taken
}

TEST_F(SettingsTest, DestinationOf31CharactersIsStoredAndReadBackWhole) {
  const std::u16string longest = u"a234567890123456789012345678901";
  ASSERT_EQ(longest.size(), 31u);
  EXPECT_FALSE(capture_.StoreDestination(reinterpret_cast<LPCWSTR>(longest.c_str())));
  EXPECT_EQ(capture_.GetDestinationText(), phone::WideText());  // no sender yet
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(U16(capture_.GetDestinationText()), longest);

  // One more character is not taken.
  EXPECT_FALSE(capture_.StoreDestination(ORLIN_TEXT("b2345678901234567890123456789012")));
  EXPECT_EQ(U16(capture_.GetDestinationText()), u"b234567890123456789012345678901");
  capture_.StopCapture();
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(U16(capture_.GetDestinationText()), u"b234567890123456789012345678901");
}

TEST_F(SettingsTest, StoredDestinationWithoutTerminatorIsCutAndTerminated) {
  // 32 characters filling the 64 bytes the read takes, with no terminator.
  const std::u16string full = u"c2345678901234567890123456789012";
  StoreBytes(kSettingsKey, ORLIN_TEXT("DestinationAddress"), REG_SZ, full.data(),
             static_cast<DWORD>(full.size() * sizeof(char16_t)));
  // The cut name does not resolve; the start goes on without an address.
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(U16(capture_.GetDestinationText()), full.substr(0, 31));

  // Longer than the field: the read fails and the default stays.
  capture_.StopCapture();
  const std::u16string tooLong(40, u'd');
  StoreBytes(kSettingsKey, ORLIN_TEXT("DestinationAddress"), REG_SZ, tooLong.c_str(),
             static_cast<DWORD>((tooLong.size() + 1) * sizeof(char16_t)));
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(U16(capture_.GetDestinationText()), u"localhost");
}

TEST_F(SettingsTest, ConfirmedSettingsAreStoredAndAppliedToTheRunningSender) {
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(capture_.SetCodecSettings(1, 1, 7), 1);
  EXPECT_EQ(ShownCodec().numReductions, 3);
  EXPECT_EQ(ShownCodec().pixelCorrection, 1);
  EXPECT_EQ(StoredDword(kSettingsKey, ORLIN_TEXT("NumReductions")), 7u);
  EXPECT_EQ(capture_.SetCodecSettings(0, 0, 1), 0);
  EXPECT_EQ(ShownCodec().compression, 0);

  EXPECT_TRUE(capture_.StoreDestination(ORLIN_TEXT("127.0.0.2")));
  EXPECT_EQ(U16(capture_.GetAddressText()), u"127.0.0.2");
  EXPECT_FALSE(capture_.StoreDestination(ORLIN_TEXT("no-such-host.invalid")));
  EXPECT_EQ(Messages().back(), u"no-such-host.invalid not found");
  EXPECT_EQ(U16(capture_.GetAddressText()), u"127.0.0.2");  // the last good address stays

  // The next start reads what was confirmed.
  capture_.StopCapture();
  ASSERT_EQ(capture_.StartCapture(), S_OK);
  EXPECT_EQ(ShownCodec().compression, 0);
  EXPECT_EQ(ShownCodec().numReductions, 1);
  EXPECT_EQ(U16(capture_.GetDestinationText()), u"no-such-host.invalid");
}

TEST_F(SettingsTest, WithoutASenderOnlyTheRegistryIsTouched) {
  EXPECT_EQ(capture_.SetCodecSettings(1, 0, 3), 0);
  EXPECT_EQ(StoredDword(kSettingsKey, ORLIN_TEXT("NumReductions")), 3u);
  std::int32_t a = 0, b = 0, c = 0;
  EXPECT_FALSE(capture_.GetCodecSettings(&a, &b, &c));
  VideoFormat format;
  EXPECT_FALSE(capture_.GetVideoFormat(&format));
  EXPECT_EQ(U16(capture_.GetAddressText()), u"<initializing...>");
  capture_.StoreVideoFormat(0);  // nothing to store from
  platform::RegistryKey key;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVideoFormatKey, 0, KEY_READ, key.Receive()),
            ERROR_SUCCESS);
}

}  // namespace
}  // namespace orlin::test
