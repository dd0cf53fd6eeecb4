#include "tools/orlin-codec/psnr.h"

#include <cmath>
#include <limits>

namespace orlin::tool {

void SquaredError::Add(const std::uint8_t* original, const std::uint8_t* decoded, std::size_t count) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int difference = int(original[i]) - int(decoded[i]);
    sum += std::uint64_t(difference * difference);
  }
  sum_ += sum;
  samples_ += count;
}

double SquaredError::MeanSquaredError() const {
  return samples_ == 0 ? 0.0 : double(sum_) / double(samples_);
}

double SquaredError::Psnr() const { return PsnrFromMse(MeanSquaredError()); }

double PsnrFromMse(double meanSquaredError) {
  if (meanSquaredError <= 0.0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(255.0 * 255.0 / meanSquaredError);
}

double Psnr(const std::uint8_t* original, const std::uint8_t* decoded, std::size_t count) {
  SquaredError error;
  error.Add(original, decoded, count);
  return error.Psnr();
}

}  // namespace orlin::tool
