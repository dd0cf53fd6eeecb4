// Unpacking the pin's subtypes into Y, U, V planes.
#include "view/video_frame.h"

#include <algorithm>
#include <cstring>

namespace orlin::view {
namespace {

std::uint8_t Clamp(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// BT.601 in studio range, fixed point with 8 fraction bits.
void RgbToYuv(int r, int g, int b, std::uint8_t& y, std::uint8_t& u, std::uint8_t& v) {
  y = Clamp(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
  u = Clamp(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
  v = Clamp(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

}  // namespace

std::size_t FrameFormat::FrameBytes() const {
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  switch (layout) {
    case PixelLayout::kI420:
    case PixelLayout::kYV12:
    case PixelLayout::kNV12:
      return pixels * 3 / 2;
    case PixelLayout::kYUY2:
    case PixelLayout::kUYVY:
      return pixels * 2;
    case PixelLayout::kRGB24:
      // Bitmap rows are padded to 4 bytes.
      return static_cast<std::size_t>((width * 3 + 3) & ~3) * height;
    case PixelLayout::kRGB32:
      return pixels * 4;
  }
  return 0;
}

Sampling FrameFormat::OutputSampling() const {
  switch (layout) {
    case PixelLayout::kYUY2:
    case PixelLayout::kUYVY:
      return Sampling::k422;
    case PixelLayout::kRGB24:
    case PixelLayout::kRGB32:
      return Sampling::k444;
    default:
      return Sampling::k420;
  }
}

std::string FrameFormat::Name() const {
  static constexpr const char* kNames[] = {"I420", "YV12", "NV12", "YUY2", "UYVY", "RGB24", "RGB32"};
  return std::string(kNames[static_cast<int>(layout)]) + " " + std::to_string(width) + "x" +
         std::to_string(height);
}

std::optional<FrameFormat> FormatOfMediaType(const AM_MEDIA_TYPE& type) {
  if (!IsEqualGUID(type.majortype, MEDIATYPE_Video) || !IsEqualGUID(type.formattype, FORMAT_VideoInfo) ||
      type.pbFormat == nullptr || type.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return std::nullopt;
  }
  VIDEOINFOHEADER info;
  std::memcpy(&info, type.pbFormat, sizeof info);
  const BITMAPINFOHEADER& bitmap = info.bmiHeader;
  FrameFormat format{PixelLayout::kI420, bitmap.biWidth,
                     bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight, false,
                     info.AvgTimePerFrame};
  const GUID& subtype = type.subtype;
  // I420 and IYUV are the same layout under two codes.
  const GUID i420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  if (IsEqualGUID(subtype, MEDIASUBTYPE_IYUV) || IsEqualGUID(subtype, i420)) {
    format.layout = PixelLayout::kI420;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_YV12)) {
    format.layout = PixelLayout::kYV12;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_NV12)) {
    format.layout = PixelLayout::kNV12;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_YUY2)) {
    format.layout = PixelLayout::kYUY2;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_UYVY)) {
    format.layout = PixelLayout::kUYVY;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB24)) {
    format.layout = PixelLayout::kRGB24;
    format.bottom_up = bitmap.biHeight > 0;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB32)) {
    format.layout = PixelLayout::kRGB32;
    format.bottom_up = bitmap.biHeight > 0;
  } else {
    return std::nullopt;
  }
  if (format.width <= 0 || format.height <= 0 || format.width > 16384 || format.height > 16384) {
    return std::nullopt;
  }
  const Sampling sampling = format.OutputSampling();
  if (sampling != Sampling::k444 && format.width % 2 != 0) return std::nullopt;
  if (sampling == Sampling::k420 && format.height % 2 != 0) return std::nullopt;
  return format;
}

bool ToPlanar(const FrameFormat& format, const std::uint8_t* data, std::size_t size, PlanarFrame& out) {
  if (data == nullptr || size < format.FrameBytes()) return false;
  const int w = format.width, h = format.height;
  out.sampling = format.OutputSampling();
  out.width = w;
  out.height = h;
  const std::size_t luma = static_cast<std::size_t>(w) * h;
  const std::size_t chroma = static_cast<std::size_t>(out.ChromaWidth()) * out.ChromaHeight();
  out.y.resize(luma);
  out.u.resize(chroma);
  out.v.resize(chroma);
  switch (format.layout) {
    case PixelLayout::kI420:
      std::memcpy(out.y.data(), data, luma);
      std::memcpy(out.u.data(), data + luma, chroma);
      std::memcpy(out.v.data(), data + luma + chroma, chroma);
      break;
    case PixelLayout::kYV12:
      std::memcpy(out.y.data(), data, luma);
      std::memcpy(out.v.data(), data + luma, chroma);
      std::memcpy(out.u.data(), data + luma + chroma, chroma);
      break;
    case PixelLayout::kNV12:
      std::memcpy(out.y.data(), data, luma);
      for (std::size_t i = 0; i < chroma; ++i) {
        out.u[i] = data[luma + 2 * i];
        out.v[i] = data[luma + 2 * i + 1];
      }
      break;
    case PixelLayout::kYUY2:
    case PixelLayout::kUYVY: {
      // YUY2 is Y0 U Y1 V; UYVY is U Y0 V Y1.
      const bool yuy2 = format.layout == PixelLayout::kYUY2;
      for (std::size_t pair = 0; pair < luma / 2; ++pair) {
        const std::uint8_t* p = data + 4 * pair;
        out.y[2 * pair] = yuy2 ? p[0] : p[1];
        out.y[2 * pair + 1] = yuy2 ? p[2] : p[3];
        out.u[pair] = yuy2 ? p[1] : p[0];
        out.v[pair] = yuy2 ? p[3] : p[2];
      }
      break;
    }
    case PixelLayout::kRGB24:
    case PixelLayout::kRGB32: {
      const int bytes_per_pixel = format.layout == PixelLayout::kRGB24 ? 3 : 4;
      const std::size_t stride = format.FrameBytes() / h;
      for (int row = 0; row < h; ++row) {
        const std::uint8_t* line = data + stride * (format.bottom_up ? h - 1 - row : row);
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* p = line + x * bytes_per_pixel;  // B, G, R
          const std::size_t at = static_cast<std::size_t>(row) * w + x;
          RgbToYuv(p[2], p[1], p[0], out.y[at], out.u[at], out.v[at]);
        }
      }
      break;
    }
  }
  return true;
}

std::vector<std::uint8_t> ToRgb(const PlanarFrame& frame) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(frame.width) * frame.height * 3);
  const int sx = frame.sampling == Sampling::k444 ? 0 : 1;
  const int sy = frame.sampling == Sampling::k420 ? 1 : 0;
  for (int row = 0; row < frame.height; ++row) {
    for (int x = 0; x < frame.width; ++x) {
      const std::size_t c = static_cast<std::size_t>(row >> sy) * frame.ChromaWidth() + (x >> sx);
      const int y = 298 * (frame.y[static_cast<std::size_t>(row) * frame.width + x] - 16);
      const int u = frame.u[c] - 128, v = frame.v[c] - 128;
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(row) * frame.width + x) * 3];
      p[0] = Clamp((y + 409 * v + 128) >> 8);
      p[1] = Clamp((y - 100 * u - 208 * v + 128) >> 8);
      p[2] = Clamp((y + 516 * u + 128) >> 8);
    }
  }
  return rgb;
}

}  // namespace orlin::view
