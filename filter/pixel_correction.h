// The two in-place corrections a sample gets after its frame arrived and
// before it is time-stamped: PixelCorrection, then SwapUV. There is no colour
// conversion and no scaling; the phone sends the format the settings declare.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/video_format_settings.h"

namespace orlin::filter {

// Where the planes of a planar 4:2:0 frame of the settings' width and height
// lie (each division drops its remainder). A width or height that is zero, or
// negative as a signed 32-bit number, gives no planes at all.
struct PlanarGeometry {
  std::size_t lumaSize = 0;             // w*h: the first plane, at offset 0
  std::size_t quarterSize = 0;          // (w*h)/4: each chroma plane; 4-byte groups corrected
  std::size_t chromaWords = 0;          // (w*h)/16: 32-bit words that SwapUV exchanges
  std::size_t secondChromaOffset = 0;   // w*h + (w*h)/4: start of the third plane
};
PlanarGeometry GeometryOf(std::uint32_t width, std::uint32_t height);

// Exchanges bytes 2 and 3 of each of `groups` consecutive 4-byte groups.
void CorrectPixels(std::uint8_t* frame, std::size_t groups);

// Exchanges `words` 32-bit words between the plane at `first` and the plane
// at `second`; the last (quarter size mod 4) bytes of each plane stay.
void SwapChromaPlanes(std::uint8_t* frame, std::size_t first, std::size_t second, std::size_t words);

// The corrections one output stream applies, fixed when it is made.
class PixelCorrections {
 public:
  // Takes the switches after the derived rules (applied here again, so the
  // gates hold whoever built the settings).
  explicit PixelCorrections(const settings::VideoFormatSettings& settings);

  bool pixelCorrection() const { return pixel_correction_; }
  bool swapUV() const { return swap_uv_; }
  const PlanarGeometry& geometry() const { return geometry_; }

  // Corrects a sample of `sampleBytes` bytes in place. With the gates, a
  // sample of width x height x bits per pixel / 8 bytes holds every byte the
  // corrections touch; a correction that would reach past a smaller sample is
  // left out rather than done in part.
  void Apply(std::uint8_t* sample, std::size_t sampleBytes) const;

 private:
  PlanarGeometry geometry_;
  bool pixel_correction_;
  bool swap_uv_;
};

}  // namespace orlin::filter
