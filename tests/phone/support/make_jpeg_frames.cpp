// Writes the recorded webcam frames of tests/data from its 176x144 pictures:
//   make_jpeg_frames <tests/data>
// Motion JPEG as webcams send it: 4:2:2 mostly, 4:2:0 and 4:4:4 from some,
// often without the Huffman tables (DHT), now and then cut off. Encoded with
// libjpeg-turbo's standard tables, which is what a decoder falls back on when
// a frame leaves them out.
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 176;
constexpr int kHeight = 144;
constexpr int kQuality = 90;

bool Read(const std::string& path, Bytes* bytes) {
  bytes->assign(std::size_t(kWidth) * kHeight * 3 / 2, 0);
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes->data()), std::streamsize(bytes->size()));
  return in.gcount() == std::streamsize(bytes->size());
}

bool Write(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

// A YV12 frame (Y, V, U) encoded at `subsampling`; the 4:2:0 chroma is
// repeated to the finer samplings, so each decodes back to the same picture.
Bytes Encode(const Bytes& yv12, int subsampling) {
  const int cw = tjPlaneWidth(1, kWidth, subsampling);
  const int ch = tjPlaneHeight(1, kHeight, subsampling);
  const int sx = cw / (kWidth / 2);
  const int sy = ch / (kHeight / 2);
  const std::uint8_t* v = yv12.data() + kWidth * kHeight;
  const std::uint8_t* u = v + (kWidth / 2) * (kHeight / 2);
  Bytes cb(std::size_t(cw) * ch);
  Bytes cr(cb.size());
  for (int y = 0; y < ch; ++y) {
    for (int x = 0; x < cw; ++x) {
      const std::size_t from = std::size_t(y / sy) * (kWidth / 2) + x / sx;
      cb[std::size_t(y) * cw + x] = u[from];
      cr[std::size_t(y) * cw + x] = v[from];
    }
  }
  const unsigned char* planes[3] = {yv12.data(), cb.data(), cr.data()};
  tjhandle encoder = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  Bytes out;
  if (tjCompressFromYUVPlanes(encoder, planes, kWidth, nullptr, kHeight, subsampling, &jpeg, &size,
                              kQuality, TJFLAG_ACCURATEDCT) == 0) {
    out.assign(jpeg, jpeg + size);
  }
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

// The same image without its DHT segments.
Bytes WithoutHuffmanTables(const Bytes& jpeg) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);  // SOI
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
    const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (jpeg[at + 1] != 0xC4) out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
    at += 2 + length;
  }
  out.insert(out.end(), jpeg.begin() + at, jpeg.end());  // the scan and EOI
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_jpeg_frames <tests/data>\n");
    return 2;
  }
  const std::string dir = argv[1];
  Bytes astronaut, coffee, cups;
  if (!Read(dir + "/astronaut_176x144.yv12", &astronaut) || !Read(dir + "/coffee_176x144.yv12", &coffee) ||
      !Read(dir + "/cups_176x144.yv12", &cups)) {
    std::fprintf(stderr, "make_jpeg_frames: the 176x144 pictures are not in %s\n", dir.c_str());
    return 1;
  }
  const Bytes coffee422 = Encode(coffee, TJSAMP_422);
  Bytes cut = Encode(cups, TJSAMP_422);
  cut.resize(cut.size() * 3 / 5);
  const bool ok = Write(dir + "/webcam_astronaut_176x144_420.jpg", Encode(astronaut, TJSAMP_420)) &&
                  Write(dir + "/webcam_coffee_176x144_422.jpg", coffee422) &&
                  Write(dir + "/webcam_coffee_176x144_422_nodht.jpg", WithoutHuffmanTables(coffee422)) &&
                  Write(dir + "/webcam_cups_176x144_444.jpg", Encode(cups, TJSAMP_444)) &&
                  Write(dir + "/webcam_cups_176x144_422_cut.jpg", cut);
  return ok ? 0 : 1;
}
