// Writes the seed corpora of the fuzz targets from the test frames:
//   make_fuzz_seeds <tests/data> <output dir>
// Each target gets a directory of inputs in the layout its fuzz_input reads.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "filter/orlin_stream_format.h"
#include "fuzz/camera_settings.h"
#include "settings/video_format_settings.h"
#include "wire/announcement.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"
#include "wire/frame_piece.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool Write(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(file);
}

Bytes Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The top-left w x h of a W x H planar 4:2:0 picture.
Bytes Crop(const Bytes& picture, int W, int H, int w, int h) {
  Bytes out;
  const auto plane = [&](std::size_t offset, int pw, int cw, int ch) {
    for (int y = 0; y < ch; ++y) {
      const auto* row = picture.data() + offset + std::size_t(y) * std::size_t(pw);
      out.insert(out.end(), row, row + cw);
    }
  };
  plane(0, W, w, h);
  plane(std::size_t(W) * H, W / 2, w / 2, h / 2);
  plane(std::size_t(W) * H + std::size_t(W) * H / 4, W / 2, w / 2, h / 2);
  return out;
}

Bytes Compress(const Bytes& picture, int w, int h, int level) {
  Bytes out(orlin::codec::PictureBytes(w, h) * 2 + 1024);
  std::int32_t length = std::int32_t(out.size());
  orlin::codec::CompressFrame(picture.data(), w, h, level, out.data(), &length);
  out.resize(std::size_t(length));
  return out;
}

// Receiver input header: FourCC choice, bits choice, width, height, compression.
Bytes ReceiverHeader(int fourCCChoice, int bitsChoice, int w, int h, bool compression) {
  Bytes out{std::uint8_t(fourCCChoice), std::uint8_t(bitsChoice)};
  Put16(out, unsigned(w));
  Put16(out, unsigned(h));
  out.push_back(compression ? 1 : 0);
  return out;
}

void PutDatagram(Bytes& out, const Bytes& datagram) {
  Put16(out, unsigned(datagram.size()));
  out.insert(out.end(), datagram.begin(), datagram.end());
}

// A raw frame of S bytes in n counted chunks, the counter in the low nibble of
// each chunk's last byte.
void PutChunks(Bytes& out, const Bytes& frame) {
  const orlin::wire::ChunkGeometry geometry =
      orlin::wire::ComputeChunkGeometry(std::int64_t(frame.size()));
  const auto n = std::size_t(geometry.count), q = std::size_t(geometry.bytes);
  for (std::size_t i = 0; i < n; ++i) {
    Bytes chunk(frame.begin() + std::ptrdiff_t(i * q), frame.begin() + std::ptrdiff_t((i + 1) * q));
    chunk.back() = orlin::wire::TagChunkByte(chunk.back(), std::int32_t(n - i));
    PutDatagram(out, chunk);
  }
}

// The pieces of frame `serial`, each datagram whole from `frame`.
void PutPieces(Bytes& out, const Bytes& frame, orlin::wire::PieceKind kind, int level, std::uint32_t serial) {
  namespace wire = orlin::wire;
  wire::PieceHeader header;
  header.kind = kind;
  header.level = std::uint8_t(level);
  header.serial = serial;
  header.frameBytes = std::uint32_t(frame.size());
  header.count = std::uint16_t(wire::PieceCountOf(std::int64_t(frame.size())));
  for (header.index = 0; header.index < header.count; ++header.index) {
    Bytes datagram(wire::kPieceHeaderBytes);
    wire::WritePieceHeader(header, datagram.data());
    const auto begin = frame.begin() + std::ptrdiff_t(wire::PieceOffset(header.index));
    datagram.insert(datagram.end(), begin, begin + wire::PieceBytes(std::int64_t(frame.size()), header.index));
    PutDatagram(out, datagram);
  }
}

// The pieces of a made-up frame of `frameBytes`, in the target's brief form:
// the header given, the rest of each datagram made up by the target. `order`
// 1 sends them first to last, -1 last to first.
void PutBriefPieces(Bytes& out, std::uint32_t frameBytes, orlin::wire::PieceKind kind, std::uint32_t serial,
                    int order) {
  namespace wire = orlin::wire;
  wire::PieceHeader header;
  header.kind = kind;
  header.serial = serial;
  header.frameBytes = frameBytes;
  header.count = std::uint16_t(wire::PieceCountOf(frameBytes));
  for (int i = 0; i < header.count; ++i) {
    header.index = std::uint16_t(order > 0 ? i : header.count - 1 - i);
    std::uint8_t head[wire::kPieceHeaderBytes];
    wire::WritePieceHeader(header, head);
    Put16(out, 0xFFFE);
    Put16(out, unsigned(wire::kPieceHeaderBytes + wire::PieceBytes(frameBytes, header.index)));
    out.push_back(std::uint8_t(sizeof head));
    out.insert(out.end(), head, head + sizeof head);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <test data dir> <output dir>\n");
    return 2;
  }
  const fs::path data = argv[1];
  const fs::path out = argv[2];
  for (const char* target : {"announcement_fuzzer", "decompress_frame_fuzzer", "frame_receiver_fuzzer",
                             "jpeg_frame_fuzzer", "media_type_fuzzer"}) {
    fs::create_directories(out / target);
  }
  int written = 0;
  const auto write = [&](const char* target, const std::string& name, const Bytes& bytes) {
    if (!Write(out / target / name, bytes)) {
      std::fprintf(stderr, "make_fuzz_seeds: cannot write %s/%s\n", target, name.c_str());
      std::exit(1);
    }
    ++written;
  };

  for (const char* image : {"astronaut", "coffee", "cups"}) {
    const Bytes full = Read(data / (std::string(image) + "_176x144.yv12"));
    if (full.size() != orlin::codec::PictureBytes(176, 144)) {
      std::fprintf(stderr, "make_fuzz_seeds: %s_176x144.yv12 missing or short\n", image);
      return 1;
    }
    const struct { int w, h; } sizes[] = {{176, 144}, {36, 20}, {16, 16}};
    for (const auto& size : sizes) {
      const Bytes picture = size.w == 176 ? full : Crop(full, 176, 144, size.w, size.h);
      for (int level = 0; level <= orlin::codec::kMaxReductionLevel; ++level) {
        const Bytes payload = Compress(picture, size.w, size.h, level);
        const bool fixed = level == orlin::codec::kMaxReductionLevel;
        const std::string name =
            std::string(image) + "_" + std::to_string(size.w) + "x" + std::to_string(size.h) + "_level" +
            std::to_string(level);

        Bytes decoder;
        Put16(decoder, unsigned(size.w + 8));  // the target subtracts 8 and 4
        Put16(decoder, unsigned(size.h + 4));
        decoder.push_back(fixed ? 1 : 0);
        decoder.insert(decoder.end(), payload.begin(), payload.end());
        write("decompress_frame_fuzzer", name, decoder);

        // One compressed datagram; the fixed-size mode has length 0 in its header.
        Bytes datagram(orlin::wire::kCompressedHeaderBytes);
        orlin::wire::WriteCompressedHeader(datagram.data(),
                                           fixed ? 0 : std::int32_t(payload.size()));
        datagram.insert(datagram.end(), payload.begin(), payload.end());
        Bytes receiver = ReceiverHeader(0, 0, size.w, size.h, true);
        PutDatagram(receiver, datagram);
        PutDatagram(receiver, datagram);
        write("frame_receiver_fuzzer", name, receiver);
      }
      // The same picture raw, as I420 in counted chunks.
      Bytes raw = ReceiverHeader(1, 0, size.w, size.h, false);
      PutChunks(raw, picture);
      write("frame_receiver_fuzzer", std::string(image) + "_" + std::to_string(size.w) + "_raw", raw);
    }
  }
  // Two chunks: a 320x240 frame.
  const Bytes large = Read(data / "coffee_320x240.yv12");
  if (large.size() == orlin::codec::PictureBytes(320, 240)) {
    Bytes raw = ReceiverHeader(1, 0, 320, 240, false);
    PutChunks(raw, large);
    write("frame_receiver_fuzzer", "coffee_320x240_raw_2_chunks", raw);
  }

  // Large frames in pieces (the target's large pictures: width 1024 and height
  // 600 more than given). Raw 1280x720 I420, 22 pieces in order, then the
  // next frame's last to first; made-up compressed pieces at 1280x720; and a
  // real picture at 1024x600, level 3, whole in 6 pieces, between two frames
  // of a form that does not decode.
  {
    using orlin::wire::PieceKind;
    Bytes raw = ReceiverHeader(1 | 8, 0, 256, 120, false);
    PutBriefPieces(raw, 1280 * 720 * 3 / 2, PieceKind::kRaw, 7, 1);
    PutBriefPieces(raw, 1280 * 720 * 3 / 2, PieceKind::kRaw, 8, -1);
    write("frame_receiver_fuzzer", "raw_pieces_1280x720", raw);

    Bytes madeUp = ReceiverHeader(0 | 8, 0, 256, 120, true);
    PutBriefPieces(madeUp, 300000, PieceKind::kCompressed, 1, 1);
    PutBriefPieces(madeUp, 9 * 1280 * 720 / 16, PieceKind::kCompressedFixedSize, 2, -1);
    write("frame_receiver_fuzzer", "compressed_pieces_1280x720_made_up", madeUp);

    const Bytes small = Read(data / "coffee_320x240.yv12");
    if (small.size() == orlin::codec::PictureBytes(320, 240)) {
      // The 320x240 picture tiled over 1024x600, plane by plane.
      Bytes picture(orlin::codec::PictureBytes(1024, 600));
      const auto tile = [&](std::size_t to, std::size_t from, int w, int h, int sw, int sh) {
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            picture[to + std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                small[from + std::size_t(y % sh) * std::size_t(sw) + std::size_t(x % sw)];
          }
        }
      };
      tile(0, 0, 1024, 600, 320, 240);
      tile(1024 * 600, 320 * 240, 512, 300, 160, 120);
      tile(1024 * 600 + 512 * 300, 320 * 240 + 160 * 120, 512, 300, 160, 120);
      const Bytes payload = Compress(picture, 1024, 600, orlin::codec::kMaxReductionLevel);
      Bytes real = ReceiverHeader(0 | 8, 0, 0, 0, true);
      Bytes cut(orlin::wire::kCompressedHeaderBytes);
      orlin::wire::WriteCompressedHeader(cut.data(), 40000);
      cut.resize(cut.size() + 1000, 0x5A);
      PutDatagram(real, cut);
      PutPieces(real, payload, PieceKind::kCompressedFixedSize, orlin::codec::kMaxReductionLevel, 3);
      PutDatagram(real, cut);
      write("frame_receiver_fuzzer", "coffee_1024x600_level3_pieces", real);
    }
  }

  // The pin's own media type under each of the media-type target's settings,
  // at 30 and at 15 frames a second.
  for (int i = 0; i < orlin::fuzz::kCameraCount; ++i) {
    for (const REFERENCE_TIME interval : {orlin::filter::kMinFrameInterval, REFERENCE_TIME(666666)}) {
      VIDEOINFOHEADER format = orlin::filter::VideoInfoOf(orlin::fuzz::kCameraSettings[i]);
      format.AvgTimePerFrame = interval;
      Bytes seed{std::uint8_t(i), 0, 1, 0};
      Put32(seed, format.bmiHeader.biSizeImage);
      const auto* block = reinterpret_cast<const std::uint8_t*>(&format);
      seed.insert(seed.end(), block, block + sizeof format);
      write("media_type_fuzzer", "camera" + std::to_string(i) + "_" + std::to_string(interval), seed);
    }
  }
  // The phone's announcements: compressed YV12 as the PC receives it, raw
  // YUY2, and one with bytes a later version might append.
  using orlin::wire::Announcement;
  const Announcement announcements[] = {
      {orlin::wire::kFourCC_YV12, 176, 144, 12, 38016, 1, 2, 0, 333333, orlin::wire::kFourCC_IYUV, 1},
      {orlin::wire::kFourCC_YUY2, 640, 480, 16, 614400, 0, 2, 1, 666666, orlin::wire::kFourCC_YUY2, 0},
  };
  int serial = 0;
  for (const Announcement& a : announcements) {
    Bytes datagram(orlin::wire::kAnnouncementBytes);
    orlin::wire::WriteAnnouncement(a, datagram.data());
    write("announcement_fuzzer", "announcement" + std::to_string(serial++), datagram);
    datagram.resize(datagram.size() + 8, 0xEE);
    write("announcement_fuzzer", "announcement" + std::to_string(serial++) + "_longer", datagram);
  }
  // The recorded webcam frames, as a camera hands them over.
  for (const char* frame : {"webcam_astronaut_176x144_420.jpg", "webcam_coffee_176x144_422.jpg",
                            "webcam_coffee_176x144_422_nodht.jpg", "webcam_cups_176x144_444.jpg",
                            "webcam_cups_176x144_422_cut.jpg"}) {
    write("jpeg_frame_fuzzer", frame, Read(data / frame));
  }
  std::printf("make_fuzz_seeds: %d seeds in %s\n", written, out.c_str());
  return 0;
}
