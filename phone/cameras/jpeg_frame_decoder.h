// Motion-JPEG frames, as most USB webcams deliver their HD modes, decoded
// straight into the planar 4:2:0 layout the phone sends (YV12: Y, V, U).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlin::phone::cameras {

class JpegFrameDecoder {
 public:
  JpegFrameDecoder();
  ~JpegFrameDecoder();
  JpegFrameDecoder(const JpegFrameDecoder&) = delete;
  JpegFrameDecoder& operator=(const JpegFrameDecoder&) = delete;

  // Decodes one JPEG image of exactly width x height (both even) into `frame`,
  // width * height * 3 / 2 bytes. 4:2:0 lands in place; 4:2:2, 4:4:0 and
  // 4:4:4 chroma is averaged down to 4:2:0 on the way; grey gets neutral
  // chroma. Frames without Huffman tables (webcams leave them out) are decoded
  // with the standard ones. False, with `frame` left in any state, for a
  // damaged or cut-off image (anything the decoder warns about), another size
  // or an image that is not YCbCr.
  bool Decode(const std::uint8_t* jpeg, std::size_t bytes, int width, int height,
              std::uint8_t* frame);

 private:
  void* handle_;  // the decompressor, kept from frame to frame
  // Chroma planes of a finer sampling than 4:2:0, before averaging; sized by
  // the first frame that needs them.
  std::vector<std::uint8_t> chroma_;
};

}  // namespace orlin::phone::cameras
