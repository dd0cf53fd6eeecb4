// Reading and writing the video format settings in the registry.
#include "settings/video_format_settings.h"

#include <algorithm>

namespace orlin::settings {
namespace {

struct Field {
  const WCHAR* name;
  std::uint32_t VideoFormatSettings::*member;
  DWORD type;
};

// The stored order, which is also the order of the record.
constexpr Field kFields[] = {
    {ORLIN_TEXT("FourCC"), &VideoFormatSettings::FourCC, REG_BINARY},
    {ORLIN_TEXT("Width"), &VideoFormatSettings::Width, REG_DWORD},
    {ORLIN_TEXT("Height"), &VideoFormatSettings::Height, REG_DWORD},
    {ORLIN_TEXT("BitsPerPixel"), &VideoFormatSettings::BitsPerPixel, REG_DWORD},
    {ORLIN_TEXT("Compression"), &VideoFormatSettings::Compression, REG_DWORD},
    {ORLIN_TEXT("PixelCorrection"), &VideoFormatSettings::PixelCorrection, REG_DWORD},
    {ORLIN_TEXT("SwapUV"), &VideoFormatSettings::SwapUV, REG_DWORD},
};

// One set of settings per machine: a 32-bit filter or setup tool on 64-bit
// Windows would otherwise be redirected to WOW6432Node and miss what the other
// bitness stored. 32-bit Windows ignores the flag.
constexpr REGSAM kMachineView = KEY_WOW64_64KEY;


// Reads a 4-byte value into `value`; anything else leaves it alone. Read into
// a buffer of our own, so that a shorter value cannot leave it half old, half new.
void ReadValue(HKEY key, const WCHAR* name, std::uint32_t& value) {
  BYTE bytes[4] = {};
  DWORD size = sizeof bytes;
  if (RegQueryValueExW(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS || size != sizeof bytes) {
    return;
  }
  value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
          std::uint32_t(bytes[3]) << 24;
}

}  // namespace

void ReadVideoFormatSettings(VideoFormatSettings& settings, LPCWSTR keyPath) {
  platform::RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | kMachineView, key.Receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  for (const Field& field : kFields) ReadValue(key.Get(), field.name, settings.*field.member);
}

bool ReadStatusCardSetting(LPCWSTR keyPath) {
  std::uint32_t statusCard = 1;
  platform::RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | kMachineView, key.Receive()) ==
      ERROR_SUCCESS) {
    ReadValue(key.Get(), kStatusCardValueName, statusCard);
  }
  return statusCard != 0;
}

std::optional<std::basic_string<WCHAR>> ReadTextSetting(LPCWSTR valueName, LPCWSTR keyPath) {
  platform::RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | kMachineView, key.Receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  WCHAR text[kMaxTextSettingChars + 1] = {};
  DWORD type = 0;
  DWORD size = sizeof text;
  const LSTATUS status =
      RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::basic_string<WCHAR>();
  // Stored with or without its terminator; never read past what was stored.
  std::basic_string<WCHAR> value(text, std::min<std::size_t>(size / sizeof(WCHAR), kMaxTextSettingChars));
  const auto end = value.find(WCHAR(0));
  if (end != value.npos) value.resize(end);
  if (value.empty()) return std::nullopt;
  return value;
}

LSTATUS WriteTextSetting(LPCWSTR valueName, const std::basic_string<WCHAR>& text, LPCWSTR keyPath) {
  if (text.size() > kMaxTextSettingChars) return ERROR_INVALID_PARAMETER;
  platform::RegistryKey key;
  if (text.empty()) {
    // Nothing to delete where there is no key.
    const LSTATUS opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE | kMachineView, key.Receive());
    if (opened == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (opened != ERROR_SUCCESS) return opened;
    const LSTATUS deleted = RegDeleteValueW(key.Get(), valueName);
    return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
  }
  const LSTATUS created =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE | kMachineView,
                      nullptr, key.Receive(), nullptr);
  if (created != ERROR_SUCCESS) return created;
  // With its terminator, as REG_SZ is stored.
  return RegSetValueExW(key.Get(), valueName, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        DWORD((text.size() + 1) * sizeof(WCHAR)));
}

LSTATUS WriteVideoFormatSettings(const VideoFormatSettings& settings, LPCWSTR keyPath) {
  platform::RegistryKey key;
  const LSTATUS created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0,
                                          KEY_SET_VALUE | kMachineView, nullptr, key.Receive(),
                                          nullptr);
  if (created != ERROR_SUCCESS) return created;
  LSTATUS result = ERROR_SUCCESS;
  for (const Field& field : kFields) {
    const std::uint32_t number = settings.*field.member;
    const BYTE bytes[4] = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    const LSTATUS status = RegSetValueExW(key.Get(), field.name, 0, field.type, bytes, sizeof bytes);
    if (result == ERROR_SUCCESS) result = status;
  }
  return result;
}

void ApplyDerivedRules(VideoFormatSettings& settings) {
  if (settings.BitsPerPixel < 8) settings.PixelCorrection = 0;
  if (settings.BitsPerPixel < 12) settings.SwapUV = 0;
}

VideoFormatSettings LoadFilterSettings(LPCWSTR keyPath) {
  VideoFormatSettings settings = kFilterDefaults;
  ReadVideoFormatSettings(settings, keyPath);
  ApplyDerivedRules(settings);
  return settings;
}

}  // namespace orlin::settings
