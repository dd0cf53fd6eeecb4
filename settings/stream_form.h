// How the camera filter takes the frames of a format: the sample each frame
// fills, whether they come compressed, and which formats it refuses to stream.
// The filter streams by these rules and the setup tool warns by them, so the
// two cannot disagree.
#pragma once

#include <cstdint>

#include "settings/video_format_settings.h"

namespace orlin::settings {

// width x height x bits per pixel / 8, or 0 when that is not a positive
// 32-bit number (such a format has no sample to fill).
std::int32_t SampleSizeOf(const VideoFormatSettings& settings);

// True when the filter reads compressed frames for these settings: Compression
// on, the FourCC IYUV and a picture the codec can code. Otherwise frames come
// as raw chunks.
bool TakesCompressedFrames(const VideoFormatSettings& settings);

// True for a format the filter refuses to stream (connection and Run fail with
// VFW_E_INVALIDMEDIATYPE): one without a sample, and one that takes compressed
// frames whose whole 4:2:0 picture the sample cannot hold (fewer than 12 bits
// per pixel), as the decoder writes all of it.
bool RefusedFormat(const VideoFormatSettings& settings);

}  // namespace orlin::settings
