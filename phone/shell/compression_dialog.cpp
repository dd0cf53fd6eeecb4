#include "phone/shell/dialogs.h"

#include <cstdint>
#include <string>

namespace orlin::phone::shell {

bool CompressionDialog::Start() {
  std::int32_t compression = 0;
  std::int32_t pixelCorrection = 0;
  std::int32_t numReductions = 0;
  if (!capture_.GetCodecSettings(&compression, &pixelCorrection, &numReductions)) {
    compression = pixelCorrection = numReductions = 0;
  }
  compression_ = compression != 0;
  pixel_correction_ = pixelCorrection != 0;
  reductions_.SetText(std::to_string(static_cast<std::uint32_t>(numReductions)));
  reductions_.SelectAll();
  focus_ = Control::kCompression;
  return true;
}

void CompressionDialog::FocusNext(int delta) {
  constexpr int kControls = 3;
  const int next = ((static_cast<int>(focus_) + delta) % kControls + kControls) % kControls;
  focus_ = static_cast<Control>(next);
}

void CompressionDialog::Toggle() {
  if (focus_ == Control::kCompression) compression_ = !compression_;
  if (focus_ == Control::kPixelCorrection) pixel_correction_ = !pixel_correction_;
}

void CompressionDialog::Ok() {
  const unsigned numReductions = ReadUnsigned(reductions_.Text());
  capture_.SetCodecSettings(compression_ ? 1 : 0, pixel_correction_ ? 1 : 0,
                            static_cast<std::int32_t>(numReductions));
}

}  // namespace orlin::phone::shell
