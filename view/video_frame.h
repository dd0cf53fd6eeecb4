// A delivered sample as planes in Y, U, V order, whatever the pin's subtype:
// planar 4:2:0 stays 4:2:0 (YV12's V-first order put right), packed 4:2:2
// becomes planar 4:2:2, and RGB becomes 4:4:4 (BT.601, studio range), so no
// colour resolution is lost on the way to Y4M or PNG.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "orlin/dshow.h"

namespace orlin::view {

enum class Sampling { k420, k422, k444 };

enum class PixelLayout { kI420, kYV12, kNV12, kYUY2, kUYVY, kRGB24, kRGB32 };

struct FrameFormat {
  PixelLayout layout;
  int width;
  int height;
  bool bottom_up;  // RGB rows stored last row first (positive biHeight)
  REFERENCE_TIME frame_interval;  // 100 ns units; 0 when unknown
  std::size_t FrameBytes() const;
  Sampling OutputSampling() const;
  std::string Name() const;  // "I420 176x144" for messages
};

// The format of a video media type with a VIDEOINFOHEADER; nothing for any
// other type, an odd size where chroma is subsampled, or an unknown subtype.
std::optional<FrameFormat> FormatOfMediaType(const AM_MEDIA_TYPE& type);

struct PlanarFrame {
  Sampling sampling = Sampling::k420;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> y, u, v;
  int ChromaWidth() const { return sampling == Sampling::k444 ? width : width / 2; }
  int ChromaHeight() const { return sampling == Sampling::k420 ? height / 2 : height; }
};

// Converts one sample of `format`; false when fewer than FrameBytes() are given.
bool ToPlanar(const FrameFormat& format, const std::uint8_t* data, std::size_t size, PlanarFrame& out);

// RGB rows (3 bytes a pixel, top row first) of a planar frame, BT.601 studio range.
std::vector<std::uint8_t> ToRgb(const PlanarFrame& frame);

}  // namespace orlin::view
