#include "settings/stream_form.h"

#include <limits>

#include "codec/codec.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"

namespace orlin::settings {

std::int32_t SampleSizeOf(const VideoFormatSettings& settings) {
  const std::int64_t bits = std::int64_t(std::int32_t(settings.Width)) *
                            std::int64_t(std::int32_t(settings.Height)) *
                            std::int64_t(settings.BitsPerPixel);
  const std::int64_t bytes = bits / 8;
  if (bytes <= 0 || bytes > std::numeric_limits<std::int32_t>::max()) return 0;
  return std::int32_t(bytes);
}

bool TakesCompressedFrames(const VideoFormatSettings& settings) {
  return settings.Compression != 0 && settings.FourCC == wire::kFourCC_IYUV &&
         codec::PictureFits(int(settings.Width), int(settings.Height));
}

bool RefusedFormat(const VideoFormatSettings& settings) {
  const std::int32_t sampleSize = SampleSizeOf(settings);
  if (sampleSize <= 0) return true;
  return TakesCompressedFrames(settings) &&
         codec::PictureBytes(int(settings.Width), int(settings.Height)) > std::size_t(sampleSize);
}

LargeFrames LargeFramesOf(const VideoFormatSettings& settings, int level) {
  if (!TakesCompressedFrames(settings)) {
    const std::int32_t sampleSize = SampleSizeOf(settings);
    return sampleSize > 0 && !wire::FitsCountedChunks(sampleSize) ? LargeFrames::kAlways
                                                                   : LargeFrames::kNever;
  }
  const int width = int(settings.Width);
  const int height = int(settings.Height);
  if (level >= codec::kMaxReductionLevel) {
    return codec::FixedSizePayloadBytes(width, height) > std::size_t(wire::kMaxCompressedPayloadBytes)
               ? LargeFrames::kAlways
               : LargeFrames::kNever;
  }
  // The encoder writes into W x H x 3 / 4 bytes less the datagram's header; a
  // fixed-size payload (9 / 16 of the pixels) is never longer.
  const std::int64_t largestPayload =
      std::int64_t(width) * height * 3 / 4 - wire::kCompressedHeaderBytes;
  return largestPayload > wire::kMaxCompressedPayloadBytes ? LargeFrames::kMay : LargeFrames::kNever;
}

}  // namespace orlin::settings
