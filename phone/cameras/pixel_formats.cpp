#include "phone/cameras/pixel_formats.h"

namespace orlin::phone::cameras {
namespace {

// RGB565 is described by bit fields; the YUV formats by their FourCC.
constexpr DWORD kBiBitfields = 3;

}  // namespace

GUID SubtypeOf(PixelFormat pixels) {
  switch (pixels) {
    case PixelFormat::kYV12:
      return MEDIASUBTYPE_YV12;
    case PixelFormat::kYUY2:
      return MEDIASUBTYPE_YUY2;
    case PixelFormat::kRGB565:
      return kSubtypeRGB565;
  }
  return GUID_NULL;
}

WORD BitsPerPixel(PixelFormat pixels) {
  return pixels == PixelFormat::kYV12 ? 12 : 16;
}

std::size_t FrameBytes(const CameraFormat& format) {
  if (format.width <= 0 || format.height <= 0) return 0;
  const std::size_t pixels = std::size_t(format.width) * std::size_t(format.height);
  if (format.pixels == PixelFormat::kYV12) {
    // The chroma planes are exactly a quarter each only for even sizes.
    if (format.width % 2 != 0 || format.height % 2 != 0) return 0;
    return pixels * 3 / 2;
  }
  if (format.pixels == PixelFormat::kYUY2 && format.width % 2 != 0) return 0;
  return pixels * 2;
}

const char* PixelFormatName(PixelFormat pixels) {
  switch (pixels) {
    case PixelFormat::kYV12:
      return "YV12";
    case PixelFormat::kYUY2:
      return "YUY2";
    case PixelFormat::kRGB565:
      return "RGB565";
  }
  return "?";
}

void FillMediaType(const CameraFormat& format, VideoMediaType* media) {
  const std::size_t bytes = FrameBytes(format);
  media->info = VIDEOINFOHEADER{};
  media->info.rcSource = {0, 0, format.width, format.height};
  media->info.rcTarget = media->info.rcSource;
  media->info.AvgTimePerFrame = format.frameInterval;
  if (format.frameInterval > 0) {
    media->info.dwBitRate = static_cast<DWORD>(bytes * 8 * 10000000 / format.frameInterval);
  }
  BITMAPINFOHEADER& bitmap = media->info.bmiHeader;
  bitmap.biSize = sizeof(BITMAPINFOHEADER);
  bitmap.biWidth = format.width;
  bitmap.biHeight = format.height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = BitsPerPixel(format.pixels);
  const GUID subtype = SubtypeOf(format.pixels);
  bitmap.biCompression = format.pixels == PixelFormat::kRGB565 ? kBiBitfields : subtype.Data1;
  bitmap.biSizeImage = static_cast<DWORD>(bytes);

  media->type = AM_MEDIA_TYPE{};
  media->type.majortype = MEDIATYPE_Video;
  media->type.subtype = subtype;
  media->type.bFixedSizeSamples = TRUE;
  media->type.bTemporalCompression = FALSE;
  media->type.lSampleSize = static_cast<ULONG>(bytes);
  media->type.formattype = FORMAT_VideoInfo;
  media->type.cbFormat = sizeof(VIDEOINFOHEADER);
  media->type.pbFormat = reinterpret_cast<BYTE*>(&media->info);
}

}  // namespace orlin::phone::cameras
