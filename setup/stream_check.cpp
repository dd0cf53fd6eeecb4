#include "setup/stream_check.h"

#include <cstdint>
#include <string>

#include "codec/codec.h"
#include "wire/four_cc.h"

namespace orlin::setup {
namespace {

std::string SizeText(const settings::VideoFormatSettings& settings) {
  return std::to_string(settings.Width) + " x " + std::to_string(settings.Height);
}

}  // namespace

WideText StreamWarning(const settings::VideoFormatSettings& settings) {
  const std::string format =
      SizeText(settings) + " at " + std::to_string(settings.BitsPerPixel) + " bits per pixel";
  const std::string lead = "The video format was saved, but the camera cannot stream it: ";
  if (settings::TakesCompressedFrames(settings)) {
    if (!settings::RefusedFormat(settings)) return {};
    const std::string why =
        "with Compression and the FourCC IYUV, every frame is decoded into a "
        "whole picture of 12 bits per pixel, which a frame of " +
        format + " cannot hold. The camera would refuse to start.";
    const std::string change =
        " Choose 12 bits per pixel or more here, or turn off Compression on the phone and here.";
    return Widen((lead + why + change).c_str());
  }
  if (settings::SampleSizeOf(settings) == 0) {
    const std::string why = "without Compression and the FourCC IYUV, frames travel uncompressed, "
                            "and a frame of " +
                            format +
                            " is less than one byte. The camera would refuse to start."
                            " Enter a larger format or more bits per pixel.";
    return Widen((lead + why).c_str());
  }
  if (settings.Compression != 0 && settings.FourCC == wire::kFourCC_IYUV) {
    // Too wide for the codec: the phone sends its camera's frames as they are.
    constexpr int kWidestCoded = codec::kMaxBlockColumns * 4 + 3;
    const std::string why =
        "The video format was saved, but its frames cannot come compressed: the codec codes "
        "pictures at most " +
        std::to_string(kWidestCoded) + " pixels wide, so the phone sends " + SizeText(settings) +
        " frames uncompressed, in its camera's FourCC (YV12, V before U)."
        " Enter the phone's FourCC and turn off Compression here, or press Detect while the "
        "phone streams.";
    return Widen(why.c_str());
  }
  return {};
}

WideText LargeFramesLine(const settings::VideoFormatSettings& settings, int level) {
  const settings::LargeFrames large = settings::LargeFramesOf(settings, level);
  if (large == settings::LargeFrames::kNever) return {};
  return Widen(large == settings::LargeFrames::kMay
                   ? "Frames may go in pieces: the phone must send large frames."
                   : "Frames go in pieces: the phone must send large frames.");
}

WideText LargeFramesLine(const SetupEntries& entries) {
  const settings::VideoFormatSettings settings = CollectSettings(entries);
  return SettingsValid(settings) ? LargeFramesLine(settings) : WideText();
}

}  // namespace orlin::setup
