// Peak signal-to-noise ratio of 8-bit samples against their originals.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlin::tool {

// Sums squared differences over any number of buffers (frames, planes), so one
// PSNR can describe a whole sequence: it is taken from the mean squared error
// over every sample added, not averaged from per-frame values.
class SquaredError {
 public:
  void Add(const std::uint8_t* original, const std::uint8_t* decoded, std::size_t count);

  std::uint64_t samples() const { return samples_; }
  double MeanSquaredError() const;
  // In dB, 10 * log10(255^2 / MSE); +infinity when nothing differs.
  double Psnr() const;

 private:
  std::uint64_t sum_ = 0;
  std::uint64_t samples_ = 0;
};

// PSNR in dB for a mean squared error on 8-bit samples; +infinity for 0.
double PsnrFromMse(double meanSquaredError);

// PSNR of one buffer against its original.
double Psnr(const std::uint8_t* original, const std::uint8_t* decoded, std::size_t count);

}  // namespace orlin::tool
