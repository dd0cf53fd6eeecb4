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

// Whether frames of a format go out as large frames, in pieces, which only a
// phone that sends large frames does: a raw frame of more chunks than the
// countdown counts always; a compressed payload longer than one datagram at
// level 3 always (its size is fixed), at levels 0 to 2 maybe, as the payload's
// size follows the picture, up to the compression buffer less the header.
enum class LargeFrames { kNever, kMay, kAlways };

// The phone's reduction level when the PC knows it (from an announcement);
// otherwise the answer covers every level.
inline constexpr int kAnyLevel = -1;
LargeFrames LargeFramesOf(const VideoFormatSettings& settings, int level = kAnyLevel);

}  // namespace orlin::settings
