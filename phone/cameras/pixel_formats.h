// How each pixel format looks as a DirectShow media type and in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "orlin/dshow.h"
#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

// 16-bit RGB with 5-6-5 bit fields; the SDK's value.
inline constexpr GUID kSubtypeRGB565 = {0xe436eb7b, 0x524f, 0x11ce,
                                        {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

GUID SubtypeOf(PixelFormat pixels);
WORD BitsPerPixel(PixelFormat pixels);
// Bytes of one frame; 0 for a size the format cannot have (odd 4:2:0 sizes).
std::size_t FrameBytes(const CameraFormat& format);
// "YV12 176x144" and the like, for listings and messages.
const char* PixelFormatName(PixelFormat pixels);

// A video media type with its VIDEOINFOHEADER, owned by value; `type.pbFormat`
// points at `info`, so it is not copied or moved once filled.
struct VideoMediaType {
  AM_MEDIA_TYPE type{};
  VIDEOINFOHEADER info{};
};
void FillMediaType(const CameraFormat& format, VideoMediaType* media);

}  // namespace orlin::phone::cameras
