// PixelCorrection and SwapUV. Each is its own inverse, so every byte must be
// corrected exactly once: the stream corrects a sample only after a fill that
// wrote the whole frame. A fill that got part of a frame or nothing leaves the
// sample as it is: its older bytes were corrected when they arrived, and the
// new ones cannot all be put right alone (a SwapUV word may pair a new one with
// an old one), so they go out as they arrived until a whole frame replaces them.
#include "filter/pixel_correction.h"

#include <cstring>
#include <limits>
#include <utility>

namespace orlin::filter {

using settings::ApplyDerivedRules;
using settings::VideoFormatSettings;

PlanarGeometry GeometryOf(std::uint32_t width, std::uint32_t height) {
  // The settings are 32-bit signed numbers to the filter (biWidth, biHeight).
  const auto w = static_cast<std::int32_t>(width);
  const auto h = static_cast<std::int32_t>(height);
  PlanarGeometry geometry;
  if (w <= 0 || h <= 0) return geometry;
  // In 64 bits: a product that 32 bits cannot hold gives a geometry no sample
  // can hold, which Apply then refuses, instead of a wrapped-around small one.
  const std::uint64_t luma = std::uint64_t(w) * std::uint64_t(h);
  if (luma > std::numeric_limits<std::size_t>::max() / 2) return geometry;
  geometry.lumaSize = std::size_t(luma);
  geometry.quarterSize = std::size_t(luma / 4);
  geometry.chromaWords = std::size_t(luma / 16);
  geometry.secondChromaOffset = std::size_t(luma + luma / 4);
  return geometry;
}

void CorrectPixels(std::uint8_t* frame, std::size_t groups) {
  for (std::size_t g = 0; g < groups; ++g) std::swap(frame[4 * g + 2], frame[4 * g + 3]);
}

void SwapChromaPlanes(std::uint8_t* frame, std::size_t first, std::size_t second, std::size_t words) {
  std::uint8_t* a = frame + first;
  std::uint8_t* b = frame + second;
  for (std::size_t i = 0; i < words; ++i) {
    std::uint8_t word[4];
    std::memcpy(word, a + 4 * i, 4);
    std::memcpy(a + 4 * i, b + 4 * i, 4);
    std::memcpy(b + 4 * i, word, 4);
  }
}

PixelCorrections::PixelCorrections(const VideoFormatSettings& settings)
    : geometry_(GeometryOf(settings.Width, settings.Height)) {
  VideoFormatSettings gated = settings;
  ApplyDerivedRules(gated);
  pixel_correction_ = gated.PixelCorrection != 0;
  swap_uv_ = gated.SwapUV != 0;
}

void PixelCorrections::Apply(std::uint8_t* sample, std::size_t sampleBytes) const {
  if (sample == nullptr) return;
  if (pixel_correction_ && geometry_.quarterSize <= sampleBytes / 4) {
    CorrectPixels(sample, geometry_.quarterSize);
  }
  if (swap_uv_ && geometry_.chromaWords <= sampleBytes / 4 &&
      geometry_.secondChromaOffset <= sampleBytes - 4 * geometry_.chromaWords) {
    SwapChromaPlanes(sample, geometry_.lumaSize, geometry_.secondChromaOffset, geometry_.chromaWords);
  }
}

}  // namespace orlin::filter
