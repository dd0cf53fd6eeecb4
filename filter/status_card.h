// The status card: a picture the filter delivers instead of an empty or
// misread sample, since a capture application shows its user nothing but the
// picture. A dark card with the camera's name and one sentence of state,
// drawn in the stream's own format, readable at 176x144.
#pragma once

#include <cstdint>

#include "orlin/win_types.h"
#include "settings/video_format_settings.h"

namespace orlin::filter {

// Whether the card can be drawn in `format`: planar 4:2:0 in either chroma
// order (YV12, I420, IYUV), packed 4:2:2 (YUY2, UYVY) and 16, 24 or 32-bit
// RGB (FourCC 0, bottom-up). Other formats, and those of fewer bits, get no card.
bool CanDrawStatusCard(const settings::VideoFormatSettings& format);

// Draws the card over the whole picture of a sample of `sampleBytes` bytes:
// `title` on top, `text` wrapped to the width below it (both UTF-16; what the
// font lacks shows as '?'). False, the sample untouched, when the format is
// not drawn or the sample is smaller than its picture. Pure: a caller may
// draw once into a buffer of its own and copy it while the text stays.
bool DrawStatusCard(const settings::VideoFormatSettings& format, std::uint8_t* sample,
                    std::int64_t sampleBytes, const WCHAR* title, const WCHAR* text);

}  // namespace orlin::filter
