#include "phone/cameras/v4l2_formats.h"

#include <linux/videodev2.h>

#include <cstring>

namespace orlin::phone::cameras {

std::optional<V4l2Mapping> MapV4l2PixelFormat(std::uint32_t v4l2FourCC) {
  switch (v4l2FourCC) {
    case V4L2_PIX_FMT_YUYV:
      return V4l2Mapping{PixelFormat::kYUY2, false};
    case V4L2_PIX_FMT_YUV420:
      return V4l2Mapping{PixelFormat::kYV12, true};
    case V4L2_PIX_FMT_YVU420:
      return V4l2Mapping{PixelFormat::kYV12, false};
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
      return V4l2Mapping{PixelFormat::kYV12, false, true};
    default:
      return std::nullopt;
  }
}

std::vector<FrameSize> SizesInRange(int minWidth, int maxWidth, int stepWidth, int minHeight,
                                    int maxHeight, int stepHeight) {
  std::vector<FrameSize> sizes;
  auto onStep = [](int value, int low, int high, int step) {
    return value >= low && value <= high && (step <= 0 || (value - low) % step == 0);
  };
  for (FrameSize size : {FrameSize{176, 144}, FrameSize{320, 240}, FrameSize{640, 480},
                         FrameSize{1280, 720}, FrameSize{1920, 1080}}) {
    if (onStep(size.width, minWidth, maxWidth, stepWidth) &&
        onStep(size.height, minHeight, maxHeight, stepHeight)) {
      sizes.push_back(size);
    }
  }
  return sizes;
}

void OfferDeviceFormat(const CameraFormat& format, std::uint32_t v4l2FourCC,
                       std::vector<CameraFormat>* formats, std::vector<std::uint32_t>* codes) {
  const bool jpeg = MapV4l2PixelFormat(v4l2FourCC).value_or(V4l2Mapping{}).jpeg;
  for (std::size_t i = 0; i < formats->size(); ++i) {
    const CameraFormat& listed = (*formats)[i];
    if (listed.pixels != format.pixels || listed.width != format.width ||
        listed.height != format.height) {
      continue;
    }
    if (!jpeg && MapV4l2PixelFormat((*codes)[i]).value_or(V4l2Mapping{}).jpeg) {
      (*codes)[i] = v4l2FourCC;
    }
    return;
  }
  formats->push_back(format);
  codes->push_back(v4l2FourCC);
}

bool CopyDeviceFrame(const CameraFormat& format, const V4l2Mapping& mapping,
                     std::uint32_t bytesPerLine, const std::uint8_t* device,
                     std::size_t deviceBytes, std::uint8_t* frame) {
  const std::size_t w = static_cast<std::size_t>(format.width);
  const std::size_t h = static_cast<std::size_t>(format.height);
  if (format.pixels == PixelFormat::kYV12) {
    const std::size_t lumaStride = bytesPerLine != 0 ? bytesPerLine : w;
    const std::size_t chromaStride = lumaStride / 2;
    if (lumaStride < w || deviceBytes < lumaStride * h + 2 * chromaStride * (h / 2)) return false;
    for (std::size_t y = 0; y < h; ++y) std::memcpy(frame + y * w, device + y * lumaStride, w);
    const std::uint8_t* first = device + lumaStride * h;
    const std::uint8_t* second = first + chromaStride * (h / 2);
    std::uint8_t* vPlane = frame + w * h;
    std::uint8_t* uPlane = vPlane + (w / 2) * (h / 2);
    // YV12 sends V first; a YU12 device delivers U first.
    const std::uint8_t* v = mapping.swapChroma ? second : first;
    const std::uint8_t* u = mapping.swapChroma ? first : second;
    for (std::size_t y = 0; y < h / 2; ++y) {
      std::memcpy(vPlane + y * (w / 2), v + y * chromaStride, w / 2);
      std::memcpy(uPlane + y * (w / 2), u + y * chromaStride, w / 2);
    }
    return true;
  }
  const std::size_t row = w * 2;
  const std::size_t stride = bytesPerLine != 0 ? bytesPerLine : row;
  if (stride < row || deviceBytes < stride * (h - 1) + row) return false;
  for (std::size_t y = 0; y < h; ++y) std::memcpy(frame + y * row, device + y * stride, row);
  return true;
}

}  // namespace orlin::phone::cameras
