// A webcam's motion JPEG buffer, as the V4L2 camera decodes it: arbitrary
// bytes decoded at the size the phone expects (176x144, the seeds' size) and
// at a size taken from the input, into a window of exactly the frame's bytes.
// The decoder is kept from input to input, as the camera keeps it.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_window.h"
#include "phone/cameras/jpeg_frame_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orlin::phone::cameras::JpegFrameDecoder decoder;
  static orlin::fuzz::GuardedWindow frames(std::size_t(1024) * 1024 * 3 / 2);
  static orlin::fuzz::GuardedWindow buffers(std::size_t(1) << 20);
  if (size > (std::size_t(1) << 20)) return 0;
  std::uint8_t* buffer = buffers.Window(size);
  for (std::size_t i = 0; i < size; ++i) buffer[i] = data[i];
  decoder.Decode(buffer, size, 176, 144, frames.Window(176 * 144 * 3 / 2));
  // A size from the input's last bytes (even sides up to 1024), so that
  // other sizes and samplings get past the size check too.
  orlin::fuzz::Input tail(size >= 2 ? data + size - 2 : data, size >= 2 ? 2 : 0);
  const int width = 2 * (1 + tail.Take8() % 64) * 8;
  const int height = 2 * (1 + tail.Take8() % 64) * 8;
  decoder.Decode(buffer, size, width, height, frames.Window(std::size_t(width) * height * 3 / 2));
  return 0;
}
