#include "setup/detect.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "orlin/udp_port.h"
#include "settings/announcement.h"
#include "setup/setup_texts.h"
#include "wire/announcement.h"

namespace orlin::setup {
namespace {

std::string Seconds(DWORD milliseconds) {
  const DWORD seconds = (milliseconds + 999) / 1000;
  return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

const char* OnOff(std::uint32_t value) { return value != 0 ? "on" : "off"; }

}  // namespace

std::uint16_t AnnouncementPort() {
  const char* text = std::getenv("ORLIN_ANNOUNCEMENT_PORT");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    const unsigned long port = std::strtoul(text, &end, 10);
    if (*end == '\0' && port >= 1 && port <= 65535) return static_cast<std::uint16_t>(port);
  }
  return wire::kAnnouncementPort;
}

Detection DetectSettings(std::uint16_t port, DWORD timeoutMs,
                         const std::function<bool()>& stopped) {
  using Clock = std::chrono::steady_clock;
  constexpr DWORD kSliceMs = 100;
  Detection detection;
  settings::AnnouncementListener listener;
  detection.failure = listener.Open(port);
  if (!detection.failure.empty()) return detection;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || (stopped && stopped())) break;
    if (const auto announcement = listener.Receive(std::min<DWORD>(kSliceMs, DWORD(left)))) {
      detection.settings = settings::SettingsToReceive(*announcement);
      // Levels above 3 are applied as 3; capped here so that none turns negative.
      detection.level = int(std::min<std::uint32_t>(announcement->level, 3));
      if (const auto sender = listener.LastSender()) detection.sender = Widen(DottedIPv4(*sender).c_str());
      break;
    }
  }
  return detection;
}

SetupEntries DetectedEntries(const VideoFormatSettings& settings, const WideText& sender) {
  SetupEntries entries = EntriesFor(settings);
  entries.acceptFrom = sender;
  const auto* choice = std::find(kBitsPerPixelChoices.begin(), kBitsPerPixelChoices.end(),
                                 settings.BitsPerPixel);
  entries.bitsPerPixel = choice != kBitsPerPixelChoices.end()
                             ? static_cast<int>(choice - kBitsPerPixelChoices.begin())
                             : -1;
  return entries;
}

WideText SettingsLine(const VideoFormatSettings& settings) {
  WideText fourCC = FourCCText(settings.FourCC);
  if (fourCC.empty()) fourCC = Widen("(no FourCC)");
  // Appended piece by piece: GCC 12 misreads "literal" + std::string at -O3.
  std::string rest = " ";
  rest += std::to_string(settings.Width);
  rest += " x ";
  rest += std::to_string(settings.Height);
  rest += ", ";
  rest += std::to_string(settings.BitsPerPixel);
  rest += " bits per pixel, Compression ";
  rest += OnOff(settings.Compression);
  rest += ", PixelCorrection ";
  rest += OnOff(settings.PixelCorrection);
  rest += ", SwapUV ";
  rest += OnOff(settings.SwapUV);
  return fourCC + Widen(rest.c_str());
}

WideText ListeningText(std::uint16_t port, DWORD timeoutMs) {
  return Widen(("Listening on UDP port " + std::to_string(port) + " for " + Seconds(timeoutMs) +
                "...")
                   .c_str());
}

WideText NothingArrivedText(std::uint16_t port, DWORD timeoutMs) {
  return Widen(("No format announcement arrived on UDP port " + std::to_string(port) +
                " within " + Seconds(timeoutMs) + ". Check that " SETUP_PHONE_PROGRAM
                " is running and streaming, and that its Destination Address is this PC.")
                   .c_str());
}

WideText CannotListenText(const WideText& failure) {
  return Widen("Cannot listen for the phone's format announcement: ") + failure + WCHAR('.');
}

}  // namespace orlin::setup
