// Which V4L2 capture formats the phone's frame path can carry, and as what.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

struct V4l2Mapping {
  PixelFormat pixels;
  // The device's chroma planes come U first (YU12): they are exchanged on copy.
  bool swapChroma;
  // Each buffer is a JPEG image (MJPG, JPEG), decoded rather than copied.
  bool jpeg = false;
};

// YUYV as YUY2, YU12 and YV12 as YV12, motion JPEG decoded to YV12; nothing
// else (RGB or other YUV layouts would need a conversion the phone does not
// make).
std::optional<V4l2Mapping> MapV4l2PixelFormat(std::uint32_t v4l2FourCC);

struct FrameSize {
  int width;
  int height;
};

// A device that gives a range of sizes rather than a list: the usual phone
// and HD sizes (176x144, 320x240, 640x480, 1280x720, 1920x1080) that lie in
// the range on its steps.
std::vector<FrameSize> SizesInRange(int minWidth, int maxWidth, int stepWidth, int minHeight,
                                    int maxHeight, int stepHeight);

// Adds a device mode to the camera's list, `codes` holding the V4L2 code of
// each entry. A mode that gives what an entry already gives (an MJPG size that
// is offered raw as well) is not listed twice: the raw one is kept, since it
// costs no decoding.
void OfferDeviceFormat(const CameraFormat& format, std::uint32_t v4l2FourCC,
                       std::vector<CameraFormat>* formats, std::vector<std::uint32_t>* codes);

// Copies one frame of `format` from a device buffer whose rows are
// `bytesPerLine` apart (for the planar formats: the luma rows) into the tightly
// packed layout the phone sends. False when the device buffer is too short.
bool CopyDeviceFrame(const CameraFormat& format, const V4l2Mapping& mapping,
                     std::uint32_t bytesPerLine, const std::uint8_t* device,
                     std::size_t deviceBytes, std::uint8_t* frame);

}  // namespace orlin::phone::cameras
