// CameraCapture: the phone's settings in its registry, and what the user
// interface reads of the sender. Every operation opens its key, works through
// its values in a fixed order and closes the key before it returns; a key
// that cannot be opened or created leaves everything as it was.
#include <cstring>
#include <vector>

#include "orlin/registry.h"
#include "phone/camera_capture.h"

namespace orlin::phone {
namespace {

constexpr WCHAR kFourCCValue[] = ORLIN_TEXT("FourCC");
constexpr WCHAR kWidthValue[] = ORLIN_TEXT("Width");
constexpr WCHAR kHeightValue[] = ORLIN_TEXT("Height");
constexpr WCHAR kDestinationValue[] = ORLIN_TEXT("DestinationAddress");
constexpr WCHAR kCompressionValue[] = ORLIN_TEXT("Compression");
constexpr WCHAR kPixelCorrectionValue[] = ORLIN_TEXT("PixelCorrection");
constexpr WCHAR kNumReductionsValue[] = ORLIN_TEXT("NumReductions");
constexpr WCHAR kInitializing[] = ORLIN_TEXT("<initializing...>");

// The destination field: 31 characters and the terminator.
constexpr int kDestinationChars = FrameSender::kAddressChars;

bool OpenForReading(LPCWSTR path, platform::RegistryKey* key) {
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key->Receive()) == ERROR_SUCCESS;
}

bool OpenForWriting(LPCWSTR path, platform::RegistryKey* key) {
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                         nullptr, key->Receive(), nullptr) == ERROR_SUCCESS;
}

// A 32-bit value; false when it is missing or not 4 bytes long.
bool ReadDword(const platform::RegistryKey& key, LPCWSTR name, DWORD* value) {
  DWORD data = 0;
  DWORD bytes = sizeof data;
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                       &bytes) != ERROR_SUCCESS ||
      bytes != sizeof data) {
    return false;
  }
  *value = data;
  return true;
}

// The first 4 bytes of a value of any type and length; false when it is
// missing or shorter.
bool ReadFirstFourBytes(const platform::RegistryKey& key, LPCWSTR name, std::uint32_t* value) {
  DWORD bytes = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS ||
      bytes < sizeof *value) {
    return false;
  }
  std::vector<BYTE> data(bytes);
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, data.data(), &bytes) != ERROR_SUCCESS ||
      bytes < sizeof *value) {
    return false;
  }
  std::memcpy(value, data.data(), sizeof *value);
  return true;
}

void WriteDword(const platform::RegistryKey& key, LPCWSTR name, DWORD value) {
  RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}

}  // namespace

bool CameraCapture::LoadVideoFormat() {
  platform::RegistryKey key;
  if (!OpenForReading(kVideoFormatKey, &key)) return false;
  if (!sender_) return true;
  // A value that is missing or unreadable leaves its field as it was.
  VideoFormat format = sender_->Format();
  std::uint32_t fourCC = 0;
  if (ReadFirstFourBytes(key, kFourCCValue, &fourCC)) format.FourCC = fourCC;
  DWORD side = 0;
  if (ReadDword(key, kWidthValue, &side)) format.Width = static_cast<std::uint16_t>(side);
  if (ReadDword(key, kHeightValue, &side)) format.Height = static_cast<std::uint16_t>(side);
  sender_->SetFormat(format);
  return true;
}

void CameraCapture::StoreVideoFormat(int index) {
  if (!sender_) return;
  VideoFormat format;
  if (FAILED(sender_->GetDetectedFormat(index, &format))) return;
  platform::RegistryKey key;
  if (!OpenForWriting(kVideoFormatKey, &key)) return;
  BYTE fourCC[sizeof format.FourCC];
  std::memcpy(fourCC, &format.FourCC, sizeof fourCC);  // first character in the lowest byte
  RegSetValueExW(key.Get(), kFourCCValue, 0, REG_BINARY, fourCC, sizeof fourCC);
  WriteDword(key, kWidthValue, format.Width);
  WriteDword(key, kHeightValue, format.Height);
}

bool CameraCapture::LoadDestination() {
  platform::RegistryKey key;
  if (!OpenForReading(kSettingsKey, &key)) return false;
  // One unit more than the read may fill, zeroed: a stored text without its
  // terminator still ends inside the buffer.
  WCHAR text[kDestinationChars + 1] = {};
  DWORD bytes = kDestinationChars * sizeof(WCHAR);
  if (RegQueryValueExW(key.Get(), kDestinationValue, nullptr, nullptr,
                       reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS) {
    return false;  // missing, or longer than the field: the default stays
  }
  text[kDestinationChars - 1] = 0;
  if (sender_) sender_->SetDestinationAddress(text);
  return true;
}

bool CameraCapture::StoreDestination(LPCWSTR text) {
  WCHAR kept[kDestinationChars] = {};
  int length = 0;
  for (; text != nullptr && length < kDestinationChars - 1 && text[length] != 0; ++length) {
    kept[length] = text[length];
  }
  platform::RegistryKey key;
  if (OpenForWriting(kSettingsKey, &key)) {
    RegSetValueExW(key.Get(), kDestinationValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kept),
                   static_cast<DWORD>((length + 1) * sizeof(WCHAR)));
    key.Reset();
  }
  if (!sender_) return false;
  sender_->SetDestinationAddress(kept);
  return SUCCEEDED(sender_->ResolveDestination());
}

bool CameraCapture::LoadCodecSettings() {
  platform::RegistryKey key;
  if (!OpenForReading(kSettingsKey, &key)) return false;
  if (!sender_) return true;
  DWORD compression = static_cast<DWORD>(sender_->CompressionRequested());
  DWORD pixelCorrection = static_cast<DWORD>(sender_->PixelCorrection());
  DWORD numReductions = static_cast<DWORD>(sender_->NumReductions());
  ReadDword(key, kCompressionValue, &compression);
  ReadDword(key, kPixelCorrectionValue, &pixelCorrection);
  ReadDword(key, kNumReductionsValue, &numReductions);
  sender_->SetCodecRequest(static_cast<std::int32_t>(compression),
                           static_cast<std::int32_t>(pixelCorrection),
                           static_cast<std::int32_t>(numReductions));
  return true;
}

void CameraCapture::StoreCodecSettings(std::int32_t compression, std::int32_t pixelCorrection,
                                       std::int32_t numReductions) {
  platform::RegistryKey key;
  if (!OpenForWriting(kSettingsKey, &key)) return;
  WriteDword(key, kCompressionValue, static_cast<DWORD>(compression));
  WriteDword(key, kPixelCorrectionValue, static_cast<DWORD>(pixelCorrection));
  WriteDword(key, kNumReductionsValue, static_cast<DWORD>(numReductions));
}

std::int32_t CameraCapture::SetCodecSettings(std::int32_t compression,
                                             std::int32_t pixelCorrection,
                                             std::int32_t numReductions) {
  StoreCodecSettings(compression, pixelCorrection, numReductions);
  if (!sender_) return 0;
  return sender_->ApplyCodecSettings(compression, pixelCorrection, numReductions);
}

bool CameraCapture::GetVideoFormat(VideoFormat* format) const {
  if (format == nullptr || !sender_) return false;
  *format = sender_->Format();
  return true;
}

bool CameraCapture::GetCodecSettings(std::int32_t* compression, std::int32_t* pixelCorrection,
                                     std::int32_t* numReductions) const {
  if (compression == nullptr || pixelCorrection == nullptr || numReductions == nullptr ||
      !sender_) {
    return false;
  }
  *compression = sender_->Compression();  // in force, not as requested
  *pixelCorrection = sender_->PixelCorrection();
  *numReductions = sender_->NumReductions();
  return true;
}

WideText CameraCapture::GetDestinationText() const {
  return sender_ ? WideText(sender_->DestinationAddress()) : WideText();
}

WideText CameraCapture::GetAddressText() const {
  return sender_ ? WideText(sender_->AddressText()) : WideText(kInitializing);
}

}  // namespace orlin::phone
