// What the setup dialog's controls hold, and how the video format settings
// become entries and entries become settings again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/video_format_settings.h"
#include "setup/setup_text.h"

namespace orlin::setup {

using settings::VideoFormatSettings;

// The bits-per-pixel list, in list order.
inline constexpr std::array<std::uint32_t, 7> kBitsPerPixelChoices = {1, 4, 8, 12, 16, 24, 32};
// The FourCC, width and height fields take at most this many characters.
inline constexpr std::size_t kFieldMaxChars = 4;
inline constexpr std::uint32_t kMaxWidth = 4096;
inline constexpr std::uint32_t kMaxHeight = 4096;
// The bits per pixel collected when no list entry is selected.
inline constexpr std::uint32_t kNoBitsPerPixel = 0xFFFFFFFFu;

struct SetupEntries {
  WideText fourCC;
  WideText width;
  WideText height;
  int bitsPerPixel = -1;  // index into kBitsPerPixelChoices; -1: nothing selected
  bool compression = false;
  bool pixelCorrection = false;
  bool swapUV = false;
  // "Accept frames only from": the phone's address or host name; empty: any sender.
  WideText acceptFrom{};
  // The stored value is there but cannot be read. The field then shows empty,
  // and saving leaves the stored value as it is until the field is edited, so
  // that a value nobody can see is never turned into "any sender" unasked.
  bool acceptFromUnreadable = false;
  bool operator==(const SetupEntries&) const = default;
};

// The setup defaults with the stored settings read over them.
VideoFormatSettings LoadSetupSettings(LPCWSTR keyPath = settings::kVideoFormatKeyPath);

// The FourCC's four bytes as characters, lowest byte first, up to the first
// 0 byte.
WideText FourCCText(std::uint32_t fourCC);

// The list entry whose text begins with `bitsPerPixel` in decimal (the first
// such, from the top), or -1: 2 selects 24, 5 selects nothing.
int SelectBitsPerPixel(std::uint32_t bitsPerPixel);

// What the controls show for the settings.
SetupEntries EntriesFor(const VideoFormatSettings& settings);

// A field's number: its digits as an unsigned value, 0 for an empty field,
// anything but digits, or a number past 32 bits.
std::uint32_t ReadNumber(const WideText& text);

// The settings the entries stand for: the FourCC bytes are the low 8 bits of
// the first four characters (missing ones 0), the bits per pixel
// kNoBitsPerPixel without a selection.
VideoFormatSettings CollectSettings(const SetupEntries& entries);

// Width and height 1 to 4096, bits per pixel 1 to 32. The FourCC is not checked.
bool SettingsValid(const VideoFormatSettings& settings);

// The first field out of range, in the dialog's order, and the range it
// takes, as a line for the user ("Width must be 1 to 4096."); empty when the
// settings are valid.
WideText InvalidFieldLine(const VideoFormatSettings& settings);

}  // namespace orlin::setup
