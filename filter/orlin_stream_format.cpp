#include "filter/orlin_stream_format.h"

#include "filter/frame_receiver.h"

namespace orlin::filter {

using settings::VideoFormatSettings;
namespace {
constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiBitfields = 3;

// The standard FourCC subtype base {xxxxxxxx-0000-0010-8000-00AA00389B71}.
GUID FourCCSubtype(DWORD fourCC) {
  return GUID{fourCC, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
}

// w x h x b as the 32-bit products the format block holds.
DWORD BitsPerFrame(const VideoFormatSettings& s) { return s.Width * s.Height * s.BitsPerPixel; }
}  // namespace

GUID GetBitmapSubtype(const BITMAPINFOHEADER& header, const DWORD* masks) {
  if (header.biCompression != kBiRgb && header.biCompression != kBiBitfields) {
    return FourCCSubtype(header.biCompression);
  }
  switch (header.biBitCount) {
    case 1: return MEDIASUBTYPE_RGB1;
    case 4: return MEDIASUBTYPE_RGB4;
    case 8: return MEDIASUBTYPE_RGB8;
    case 24: return MEDIASUBTYPE_RGB24;
    case 32: return MEDIASUBTYPE_RGB32;
    case 16:
      if (header.biCompression == kBiRgb) return MEDIASUBTYPE_RGB555;
      if (masks == nullptr) return GUID_NULL;
      if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) return MEDIASUBTYPE_RGB555;
      if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) return MEDIASUBTYPE_RGB565;
      return GUID_NULL;
    default: return GUID_NULL;
  }
}

VIDEOINFOHEADER VideoInfoOf(const VideoFormatSettings& settings) {
  VIDEOINFOHEADER format{};
  format.dwBitRate = BitsPerFrame(settings) * 30;
  format.AvgTimePerFrame = kMinFrameInterval;
  BITMAPINFOHEADER& bmi = format.bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = LONG(settings.Width);
  bmi.biHeight = LONG(settings.Height);
  bmi.biPlanes = 3;
  bmi.biBitCount = WORD(settings.BitsPerPixel);
  bmi.biCompression = settings.FourCC;
  // The receiver's sample size: 0 (refused at connection) when the frame does
  // not fit in 32 bits, rather than a wrapped product smaller than the frame.
  bmi.biSizeImage = DWORD(SampleSizeOf(settings));
  return format;
}

VIDEO_STREAM_CONFIG_CAPS CapabilityOf(const VideoFormatSettings& settings) {
  VIDEO_STREAM_CONFIG_CAPS caps{};
  caps.guid = FORMAT_VideoInfo;
  const SIZE size{LONG(settings.Width), LONG(settings.Height)};
  caps.InputSize = caps.MinCroppingSize = caps.MaxCroppingSize = size;
  caps.MinOutputSize = caps.MaxOutputSize = size;
  caps.CropGranularityX = caps.CropGranularityY = caps.CropAlignX = caps.CropAlignY = 1;
  caps.OutputGranularityX = int(settings.Width);
  caps.OutputGranularityY = int(settings.Height);
  caps.MinFrameInterval = kMinFrameInterval;
  caps.MaxFrameInterval = kMaxFrameInterval;
  caps.MinBitsPerSecond = LONG(BitsPerFrame(settings));
  caps.MaxBitsPerSecond = LONG(BitsPerFrame(settings) * 30);
  return caps;
}

AM_MEDIA_TYPE MediaTypeOf(const VIDEOINFOHEADER& format) {
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.bFixedSizeSamples = TRUE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = format.bmiHeader.biSizeImage;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  // Last, from the finished header; the 88-byte block carries no colour masks.
  type.subtype = GetBitmapSubtype(format.bmiHeader);
  return type;
}

DWORD BitRateAt(const VIDEOINFOHEADER& format, REFERENCE_TIME interval) {
  const DWORD bitsPerFrame = format.bmiHeader.biSizeImage * 8;
  return DWORD(std::int64_t(bitsPerFrame) * 10000000 / interval);
}

}  // namespace orlin::filter
