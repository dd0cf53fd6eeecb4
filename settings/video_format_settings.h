// The PC's video format settings: the format the phone sends and how the
// filter treats it. The setup tool writes them; each filter object reads them
// once, when its output stream is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "orlin/registry.h"
#include "wire/four_cc.h"

namespace orlin::settings {

// Seven 32-bit values, in the order they are stored.
struct VideoFormatSettings {
  std::uint32_t FourCC;
  std::uint32_t Width;
  std::uint32_t Height;
  std::uint32_t BitsPerPixel;
  std::uint32_t Compression;      // non-zero: the phone sends compressed frames
  std::uint32_t PixelCorrection;  // non-zero: swap bytes 2 and 3 of each 4-byte group
  std::uint32_t SwapUV;           // non-zero: swap the two chroma planes
  bool operator==(const VideoFormatSettings&) const = default;
};

// What the filter runs on when nothing is stored.
inline constexpr VideoFormatSettings kFilterDefaults{wire::kFourCC_I420, 176, 144, 12, 1, 0, 0};
// What the setup tool shows when nothing is stored: IYUV, the one FourCC with
// which the filter takes compressed frames.
inline constexpr VideoFormatSettings kSetupDefaults{wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0};

// HKEY_LOCAL_MACHINE key of the settings, read and written in the 64-bit
// registry view by both bitnesses of the filter and the setup tool.
inline constexpr WCHAR kVideoFormatKeyPath[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\Orlin\\VideoFormat");

// Overwrites each field whose value is stored; the others keep what they hold.
// A value is taken only when it is exactly 4 bytes (little-endian, whatever
// its registry type); a missing key, a missing value or a value of any other
// size leaves the field alone. Nothing is reported.
void ReadVideoFormatSettings(VideoFormatSettings& settings,
                             LPCWSTR keyPath = kVideoFormatKeyPath);

// Creates the key if needed and stores all seven values (FourCC as REG_BINARY,
// the others as REG_DWORD). Result: ERROR_SUCCESS, the failure of the key's
// creation (nothing written), or the first failure among the seven values.
LSTATUS WriteVideoFormatSettings(const VideoFormatSettings& settings,
                                 LPCWSTR keyPath = kVideoFormatKeyPath);

// The corrections need the bytes they exchange: PixelCorrection is forced off
// below 8 bits per pixel, SwapUV below 12.
void ApplyDerivedRules(VideoFormatSettings& settings);

// What a filter object runs on: the filter defaults, the stored values over
// them, then the derived rules.
VideoFormatSettings LoadFilterSettings(LPCWSTR keyPath = kVideoFormatKeyPath);

// "StatusCard", a REG_DWORD in the same key: while no frame has arrived, or
// what arrives does not match, the filter delivers a card that says so
// instead of an empty or misread picture. 0 turns the card off.
inline constexpr WCHAR kStatusCardValueName[] = ORLIN_TEXT("StatusCard");
// The setting, read like the others (4 bytes or ignored); true when absent.
bool ReadStatusCardSetting(LPCWSTR keyPath = kVideoFormatKeyPath);

// Whom the filter takes frames from and where it listens, REG_SZ values in the
// same key. Absent or empty: any sender, every local address.
//   "AcceptFrom": an IPv4 address or host name, resolved when the stream
//   starts; datagrams from any other address are dropped.
//   "ListenAddress": the one local address the stream's socket binds.
inline constexpr WCHAR kAcceptFromValueName[] = ORLIN_TEXT("AcceptFrom");
inline constexpr WCHAR kListenAddressValueName[] = ORLIN_TEXT("ListenAddress");
// A text value of at most kMaxTextSettingChars characters. Nothing when absent
// or empty; an empty text when it is there but cannot be read as such (another
// type, longer), which a caller must not take for "absent".
inline constexpr std::size_t kMaxTextSettingChars = 255;
std::optional<std::basic_string<WCHAR>> ReadTextSetting(LPCWSTR valueName,
                                                        LPCWSTR keyPath = kVideoFormatKeyPath);
// Stores a text value as REG_SZ, creating the key if needed; an empty text
// deletes the value instead (absent is the default). Result: ERROR_SUCCESS
// (also when there was nothing to delete), ERROR_INVALID_PARAMETER for a text
// longer than kMaxTextSettingChars (nothing written), or the registry's failure.
LSTATUS WriteTextSetting(LPCWSTR valueName, const std::basic_string<WCHAR>& text,
                         LPCWSTR keyPath = kVideoFormatKeyPath);

}  // namespace orlin::settings
