#include "setup/setup_entries.h"

#include <string>

namespace orlin::setup {

VideoFormatSettings LoadSetupSettings(LPCWSTR keyPath) {
  VideoFormatSettings stored = settings::kSetupDefaults;
  settings::ReadVideoFormatSettings(stored, keyPath);
  return stored;
}

WideText FourCCText(std::uint32_t fourCC) {
  WideText text;
  for (int i = 0; i < 4; ++i) {
    // A byte at or above 0x80 shows as the character it was typed as (Latin-1),
    // not as a negative value.
    const auto byte = static_cast<std::uint8_t>(fourCC >> (8 * i));
    if (byte == 0) break;
    text += WCHAR(byte);
  }
  return text;
}

int SelectBitsPerPixel(std::uint32_t bitsPerPixel) {
  const std::string prefix = std::to_string(bitsPerPixel);
  for (std::size_t i = 0; i < kBitsPerPixelChoices.size(); ++i) {
    if (std::to_string(kBitsPerPixelChoices[i]).starts_with(prefix)) return static_cast<int>(i);
  }
  return -1;
}

SetupEntries EntriesFor(const VideoFormatSettings& settings) {
  SetupEntries entries;
  entries.fourCC = FourCCText(settings.FourCC).substr(0, kFieldMaxChars);
  // Numbers longer than a field takes show whole, so that saving refuses them
  // rather than storing their first digits.
  entries.width = Widen(std::to_string(settings.Width).c_str());
  entries.height = Widen(std::to_string(settings.Height).c_str());
  entries.bitsPerPixel = SelectBitsPerPixel(settings.BitsPerPixel);
  entries.compression = settings.Compression != 0;
  entries.pixelCorrection = settings.PixelCorrection != 0;
  entries.swapUV = settings.SwapUV != 0;
  return entries;
}

std::uint32_t ReadNumber(const WideText& text) {
  std::uint64_t value = 0;
  for (const WCHAR c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

VideoFormatSettings CollectSettings(const SetupEntries& entries) {
  VideoFormatSettings settings{};
  for (std::size_t i = 0; i < kFieldMaxChars && i < entries.fourCC.size(); ++i) {
    settings.FourCC |= std::uint32_t(entries.fourCC[i] & 0xFF) << (8 * i);
  }
  settings.Width = ReadNumber(entries.width);
  settings.Height = ReadNumber(entries.height);
  const bool selected =
      entries.bitsPerPixel >= 0 && std::size_t(entries.bitsPerPixel) < kBitsPerPixelChoices.size();
  settings.BitsPerPixel =
      selected ? kBitsPerPixelChoices[std::size_t(entries.bitsPerPixel)] : kNoBitsPerPixel;
  settings.Compression = entries.compression ? 1 : 0;
  settings.PixelCorrection = entries.pixelCorrection ? 1 : 0;
  settings.SwapUV = entries.swapUV ? 1 : 0;
  return settings;
}

bool SettingsValid(const VideoFormatSettings& settings) {
  return InvalidFieldLine(settings).empty();
}

WideText InvalidFieldLine(const VideoFormatSettings& settings) {
  if (settings.Width < 1 || settings.Width > kMaxWidth) {
    return Widen(("Width must be 1 to " + std::to_string(kMaxWidth) + ".").c_str());
  }
  if (settings.Height < 1 || settings.Height > kMaxHeight) {
    return Widen(("Height must be 1 to " + std::to_string(kMaxHeight) + ".").c_str());
  }
  // The list holds nothing else, so only a missing choice gets here.
  if (settings.BitsPerPixel < 1 || settings.BitsPerPixel > 32) {
    return Widen("BitsPerPixel must be 1 to 32: choose it from the list.");
  }
  return {};
}

}  // namespace orlin::setup
