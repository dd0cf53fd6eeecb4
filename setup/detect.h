// Detect: the setup takes the video format from the phone's format
// announcement instead of the user copying it by hand. It listens on the
// announcement port for a few seconds and turns what arrives into the PC
// settings that receive that stream; saving stays with OK and Apply (or
// `orlin-setup --detect`, which saves and registers as they do).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "settings/stream_form.h"
#include "settings/video_format_settings.h"
#include "setup/setup_entries.h"
#include "setup/setup_text.h"

namespace orlin::setup {

// How long the dialog's Detect button listens.
inline constexpr DWORD kDialogDetectMs = 3000;

inline constexpr char kDetectedStatus[] = "Filled in from the phone. OK or Apply saves.";

// The port Detect listens on: $ORLIN_ANNOUNCEMENT_PORT when it holds a port
// number (so that tests use ports of their own), else the announcement port.
std::uint16_t AnnouncementPort();

struct Detection {
  // What receives the announced stream; nothing when no announcement came.
  std::optional<VideoFormatSettings> settings;
  // The phone's reduction level, with the settings.
  int level = settings::kAnyLevel;
  // The address the announcement came from ("192.168.1.20"), with the settings.
  WideText sender;
  // Why the port could not be listened on, as the user reads it; empty when it could.
  WideText failure;
};

// Listens on `port` for up to `timeoutMs` and takes the first announcement.
// `stopped`, when given, is asked about every tenth of a second and ends the
// wait early when it says so.
Detection DetectSettings(std::uint16_t port, DWORD timeoutMs,
                         const std::function<bool()>& stopped = {});

// What the dialog's controls show for detected settings: as for stored ones,
// except that bits per pixel the list does not hold select nothing, so that
// saving asks for a choice rather than taking a neighbour's digits. The phone's
// address is proposed as the one sender frames are accepted from.
SetupEntries DetectedEntries(const VideoFormatSettings& settings, const WideText& sender = {});

// "IYUV 176 x 144, 12 bits per pixel, Compression on, PixelCorrection off, SwapUV off".
WideText SettingsLine(const VideoFormatSettings& settings);

// "Listening on UDP port 4445 for 3 seconds..."
WideText ListeningText(std::uint16_t port, DWORD timeoutMs);
// The message when nothing came: the port, the time, and what to check.
WideText NothingArrivedText(std::uint16_t port, DWORD timeoutMs);
// The message when the port could not be listened on, around the listener's words.
WideText CannotListenText(const WideText& failure);

}  // namespace orlin::setup
