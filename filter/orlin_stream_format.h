// The one format the camera's pin offers, built from the video format settings:
// the media type, its VIDEOINFOHEADER and the capability IAMStreamConfig reports.
#pragma once

#include <cstdint>

#include "orlin/stream_config.h"
#include "settings/video_format_settings.h"

namespace orlin::filter {

// 30 frames per second, and the slowest rate a caller may ask for (one a second).
inline constexpr REFERENCE_TIME kMinFrameInterval = 333333;
inline constexpr REFERENCE_TIME kMaxFrameInterval = 10000000;

// The subtype a bitmap header stands for: its FourCC, or for BI_RGB and
// BI_BITFIELDS the RGB subtype of its bit count; GUID_NULL when there is none.
// BI_BITFIELDS at 16 bits needs the colour masks after the header: `masks`
// points at three of them, or is null when the format block carries none (then
// GUID_NULL, as no mask pair can be named).
GUID GetBitmapSubtype(const BITMAPINFOHEADER& header, const DWORD* masks = nullptr);

// The format block of the settings (frame interval kMinFrameInterval).
VIDEOINFOHEADER VideoInfoOf(const settings::VideoFormatSettings& settings);

// The capability of the settings: the one frame size, 1 to 30 frames a second.
VIDEO_STREAM_CONFIG_CAPS CapabilityOf(const settings::VideoFormatSettings& settings);

// The media type for a format block; pbFormat is left null for the caller.
AM_MEDIA_TYPE MediaTypeOf(const VIDEOINFOHEADER& format);

// dwBitRate for a frame interval in the capability's range.
DWORD BitRateAt(const VIDEOINFOHEADER& format, REFERENCE_TIME interval);

}  // namespace orlin::filter
