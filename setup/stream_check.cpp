#include "setup/stream_check.h"

#include <string>

#include "filter/four_cc.h"

namespace orlin::setup {

bool CompressedStream(const filter::VideoFormatSettings& settings) {
  return settings.Compression != 0 && settings.FourCC == filter::kFourCC_IYUV;
}

WideText StreamWarning(const filter::VideoFormatSettings& settings) {
  if (CompressedStream(settings)) return {};
  const std::uint64_t frameBytes =
      std::uint64_t(settings.Width) * settings.Height * settings.BitsPerPixel / 8;
  const std::string format = std::to_string(settings.Width) + " x " +
                             std::to_string(settings.Height) + " at " +
                             std::to_string(settings.BitsPerPixel) + " bits per pixel";
  const std::string lead =
      "The video format was saved, but the camera cannot stream it: without Compression and the "
      "FourCC IYUV, frames travel uncompressed in at most 15 chunks of one UDP datagram each";
  const std::string tail = " The camera would only show old pictures.";
  std::string why;
  std::string change;
  if (frameBytes == 0) {
    why = ", and a frame of " + format + " is less than one byte.";
    change = " Enter a larger format or more bits per pixel.";
  } else {
    const std::uint64_t chunks = (frameBytes + kChunkBytes - 1) / kChunkBytes;
    const std::uint64_t chunkBytes = frameBytes / chunks;
    if (chunks > kMaxChunks) {
      why = ", and a frame of " + format + " is " + std::to_string(frameBytes) +
            " bytes, which needs " + std::to_string(chunks) + " chunks.";
    } else if (chunkBytes > kMaxUdpPayload) {
      why = ", and a frame of " + format + " is " + std::to_string(frameBytes) +
            " bytes, which makes chunks of " + std::to_string(chunkBytes) +
            " bytes, longer than the largest UDP datagram (" + std::to_string(kMaxUdpPayload) +
            " bytes).";
    } else {
      return {};
    }
    change =
        " Choose a smaller format or fewer bits per pixel on the phone and here, or turn on "
        "Compression with the FourCC IYUV.";
  }
  return Widen((lead + why + tail + change).c_str());
}

}  // namespace orlin::setup
