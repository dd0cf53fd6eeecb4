// The stored settings the media-type target makes its cameras from, shared
// with the seed maker so that every camera has seeds of its own media type:
// YUV with and without compression, RGB, formats the stream refuses (a frame
// larger than 32 bits, too few bits per pixel for compressed frames, no frame
// at all) and a picture wider than the decoder takes.
#pragma once

#include "settings/video_format_settings.h"
#include "wire/four_cc.h"

namespace orlin::fuzz {

inline constexpr settings::VideoFormatSettings kCameraSettings[] = {
    settings::kFilterDefaults,
    {wire::kFourCC_IYUV, 320, 240, 12, 1, 1, 1},
    {0, 640, 480, 24, 0, 1, 0},
    {wire::kFourCC_YUY2, 65535, 65535, 32, 1, 0, 0},
    {wire::kFourCC_IYUV, 176, 144, 8, 1, 0, 0},
    {0, 320, 240, 16, 0, 0, 0},
    {wire::kFourCC_IYUV, 0, 0, 12, 1, 0, 0},
    {wire::kFourCC_IYUV, 2100, 16, 12, 1, 0, 1},
};
inline constexpr int kCameraCount = int(sizeof kCameraSettings / sizeof kCameraSettings[0]);

}  // namespace orlin::fuzz
