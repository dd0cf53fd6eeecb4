// DecompressFrame on arbitrary payloads and picture sizes. The payload sits in
// a heap block of exactly the bytes the decoder may read, so any read past them
// is an address error; the samples of the destination outside whole 4x4 blocks
// are set to a marker first and must keep it. Where the processor runs both
// copies of the decoder's inner loops, both decode each payload into fresh
// pictures, which must come out the same, with the same result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/code_path.h"
#include "codec/codec.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_window.h"

namespace {

constexpr std::uint8_t kMarker = 0xA5;

// The samples of a plane outside whole blocks: the right width mod 4 columns
// and the bottom height mod 4 rows.
template <typename Visit>
void ForOutsideBlocks(std::uint8_t* plane, int width, int height, Visit visit) {
  const int blockWidth = width / 4 * 4;
  const int blockHeight = height / 4 * 4;
  for (int y = 0; y < height; ++y) {
    const int from = y < blockHeight ? blockWidth : 0;
    std::uint8_t* row = plane + std::size_t(y) * std::size_t(width);
    for (int x = from; x < width; ++x) visit(row[x]);
  }
}

// The three planes of a W x H picture, as the decoder lays them out.
template <typename Visit>
void ForOutsideBlocksOfPicture(std::uint8_t* picture, int width, int height, Visit visit) {
  const std::size_t lumaBytes = std::size_t(width) * std::size_t(height);
  ForOutsideBlocks(picture, width, height, visit);
  ForOutsideBlocks(picture + lumaBytes, width / 2, height / 2, visit);
  ForOutsideBlocks(picture + lumaBytes + lumaBytes / 4, width / 2, height / 2, visit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orlin::fuzz::Input in(data, size);
  // Sizes up to the widest plane the decoder takes and a little past it, a
  // few negative ones included.
  const int width = int(in.Take16() % 2080) - 8;
  const int height = int(in.Take16() % 300) - 4;
  const std::uint8_t flags = in.Take8();
  const int fixedSize = flags & 1;

  // Exactly the picture's bytes; only the samples outside the blocks are set.
  static orlin::fuzz::GuardedWindow pictures(orlin::codec::PictureBytes(2080, 300));
  const bool fits = orlin::codec::PictureFits(width, height);
  std::uint8_t* destination = nullptr;
  if (width >= 0 && height >= 0) {
    destination = pictures.Window(orlin::codec::PictureBytes(width, height));
    if (fits) {
      ForOutsideBlocksOfPicture(destination, width, height, [](std::uint8_t& s) { s = kMarker; });
    }
  }

  const std::size_t length = in.Remaining();
  // What the decoder may read: the payload and two bytes after it, or in the
  // fixed-size mode the whole fixed-size payload.
  std::size_t readable = length + 2;
  if (fixedSize && width >= 0 && height >= 0) {
    readable = orlin::codec::FixedSizePayloadBytes(width, height);
  }
  static orlin::fuzz::GuardedWindow payloads(std::size_t(1) << 20);
  if (readable > (std::size_t(1) << 20)) return 0;
  std::uint8_t* payload = payloads.Window(readable);
  const std::size_t copied = length < readable ? length : readable;
  std::memcpy(payload, in.Rest(), copied);
  std::memset(payload + copied, 0, readable - copied);

  const int result = orlin::codec::DecompressFrame(payload, std::int32_t(length), fixedSize,
                                                   destination, width, height);
  if (result != orlin::codec::kCodecOk && result != orlin::codec::kPictureRefused &&
      (result > -1 || result < -3)) {
    std::abort();
  }
  if (result == orlin::codec::kPictureRefused && fits) std::abort();
  if (fits) {
    ForOutsideBlocksOfPicture(destination, width, height, [](std::uint8_t& s) {
      if (s != kMarker) std::abort();
    });
  }

  // Both copies of the decoder's inner loops give the same result and picture,
  // damaged data included.
  if (fits && !fixedSize && orlin::codec::ProcessorHasBitManipulation()) {
    static std::vector<std::uint8_t> plain, quick;
    const auto decodeWith = [&](orlin::codec::CodePath path, std::vector<std::uint8_t>& picture) {
      orlin::codec::ForceCodePath(path);
      picture.assign(orlin::codec::PictureBytes(width, height), kMarker);
      return orlin::codec::DecompressFrame(payload, std::int32_t(length), 0, picture.data(), width, height);
    };
    const int plainResult = decodeWith(orlin::codec::CodePath::kBaseline, plain);
    const int quickResult = decodeWith(orlin::codec::CodePath::kBitManipulation, quick);
    if (plainResult != quickResult || plain != quick) std::abort();
  }
  return 0;
}
