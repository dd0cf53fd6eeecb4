#include "setup/stream_check.h"

#include <cstdint>
#include <limits>
#include <string>

#include "settings/stream_form.h"
#include "wire/chunk_geometry.h"

namespace orlin::setup {

WideText StreamWarning(const settings::VideoFormatSettings& settings) {
  const std::uint64_t frameBytes =
      std::uint64_t(settings.Width) * settings.Height * settings.BitsPerPixel / 8;
  const std::string format = std::to_string(settings.Width) + " x " +
                             std::to_string(settings.Height) + " at " +
                             std::to_string(settings.BitsPerPixel) + " bits per pixel";
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
  const std::string raw =
      "without Compression and the FourCC IYUV, frames travel uncompressed in at most 15 chunks of "
      "one UDP datagram each";
  std::string why;
  std::string tail = " The camera would only show old pictures.";
  std::string change;
  if (frameBytes == 0) {
    why = ", and a frame of " + format + " is less than one byte.";
    tail = " The camera would refuse to start.";  // settings::RefusedFormat: no sample
    change = " Enter a larger format or more bits per pixel.";
  } else {
    // Beyond what 64 bits hold signed, the frame needs far too many chunks anyway.
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
    const wire::ChunkGeometry geometry =
        wire::ComputeChunkGeometry(std::int64_t(frameBytes < kLargest ? frameBytes : kLargest));
    // The geometry keeps every chunk within one datagram: only the count can fail.
    const std::uint64_t chunks = std::uint64_t(geometry.count);
    if (chunks <= std::uint64_t(wire::kMaxCountedChunks)) return {};
    why = ", and a frame of " + format + " is " + std::to_string(frameBytes) +
          " bytes, which needs " + std::to_string(chunks) + " chunks.";
    change =
        " Choose a smaller format or fewer bits per pixel on the phone and here, or turn on "
        "Compression with the FourCC IYUV.";
  }
  return Widen((lead + raw + why + tail + change).c_str());
}

}  // namespace orlin::setup
