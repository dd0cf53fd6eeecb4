#include "settings/stream_form.h"

#include <limits>

#include "codec/codec.h"
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

}  // namespace orlin::settings
