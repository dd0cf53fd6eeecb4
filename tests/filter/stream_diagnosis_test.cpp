// The receiver's diagnosis, pure: what a datagram and a decoded frame say of
// the stream, when a run of misfits becomes a diagnosis, and each sentence.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "filter/stream_diagnosis.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;
using wire::kFourCC_I420;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

#ifdef _WIN32
const std::string kFix = "run OrlinSetup and press Detect";
#else
const std::string kFix = "run orlin-setup --detect";
#endif

std::string Narrow(const Text& text) { return std::string(text.begin(), text.end()); }

TEST(StreamDiagnosis, CompressedHeaderIsTakenOnlyWithItsOwnLength) {
  struct Case {
    std::vector<std::uint8_t> datagram;
    std::int64_t chunk;
    bool compressed;
  };
  const Case cases[] = {
      {{0x77, 0x88, 4, 0, 1, 2, 3, 4}, 38016, true},
      {{0x77, 0x88, 0, 0, 1, 2, 3, 4}, 38016, true},   // fixed-size mode
      {{0x77, 0x88, 0, 0, 1, 2, 3, 4}, 8, false},      // a chunk that starts so
      {{0x77, 0x88, 9, 0, 1, 2, 3, 4}, 38016, false},  // pixels that look like a header
      {{0x77, 0x89, 4, 0, 1, 2, 3, 4}, 38016, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LooksCompressed(c.datagram.data(), std::int64_t(c.datagram.size()), c.chunk), c.compressed)
        << int(c.datagram[2]) << " in " << c.chunk;
  }
}

TEST(StreamDiagnosis, CompressedFrameAgainstThePicture) {
  // 176x144: buffer 19008, fixed-size payload 14256.
  const std::int32_t buffer = 19008, fixed = 14256;
  struct Case {
    std::int32_t declared, carried, length;
    int decoded;
    std::int32_t consumed;
    Misfit misfit;
  };
  const Case cases[] = {
      {5000, 5000, 5000, codec::kCodecOk, 5000, Misfit::kNone},
      {5000, 5000, 5000, codec::kCodecOk, 3100, Misfit::kPictureLarger},
      {5000, 5000, 5000, codec::kCodecOk, 5002, Misfit::kPictureOther},  // read past its end
      {5000, 5000, 5000, -2, 0, Misfit::kPictureOther},
      {18930, 18930, 18930, -3, 0, Misfit::kNone},  // the phone's encoder stopped at its margin
      {65503, 65503, 18924, -1, 0, Misfit::kCutAtOneDatagram},
      {9000, 4000, 4000, -1, 0, Misfit::kCutAtOneDatagram},  // the header says more than came
      {0, fixed, 0, codec::kCodecOk, fixed, Misfit::kNone},
      {0, fixed + 600, 0, codec::kCodecOk, fixed, Misfit::kPictureLarger},
      {0, 3564, 0, codec::kCodecOk, fixed, Misfit::kPictureOther},
  };
  for (const Case& c : cases) {
    const CompressedFrameSight frame{c.declared, c.carried, c.length, c.decoded, c.consumed, fixed, buffer};
    EXPECT_EQ(ClassifyCompressedFrame(frame), c.misfit) << c.declared << " " << c.carried << " " << c.decoded;
  }
  // 640x480 in pieces: a payload beyond one datagram came whole, so a decode
  // that ends early is another picture's, not a cut.
  CompressedFrameSight pieces{140000, 140000, 140000, -1, 0, 172800, 230400};
  pieces.inPieces = true;
  EXPECT_EQ(ClassifyCompressedFrame(pieces), Misfit::kPictureOther);
}

TEST(StreamDiagnosis, ThreeFillsOfOneKindDiagnoseAndOneMatchingFrameClears) {
  const FillSight none, raw{Misfit::kRawWhileCompressed}, cut{Misfit::kCutAtOneDatagram};
  struct Fill {
    FillSight sight;
    bool whole;
    Misfit diagnosed;
  };
  const std::vector<Fill> fills = {
      {raw, false, Misfit::kNone},
      {none, false, Misfit::kNone},  // nothing arrived: the run goes on
      {raw, false, Misfit::kNone},
      {raw, false, Misfit::kRawWhileCompressed},
      {cut, false, Misfit::kRawWhileCompressed},  // another kind starts its own run
      {cut, true, Misfit::kRawWhileCompressed},   // whole, but misread: not a match
      {cut, false, Misfit::kCutAtOneDatagram},
      {none, true, Misfit::kNone},
      {cut, false, Misfit::kNone},
  };
  MisfitStreak streak;
  for (std::size_t i = 0; i < fills.size(); ++i) {
    streak.Note(fills[i].sight, fills[i].whole);
    EXPECT_EQ(streak.Diagnosed().misfit, fills[i].diagnosed) << "fill " << i;
  }
}

TEST(StreamDiagnosis, MisfitSentencesNameWhatArrivesAndWhatThePcExpects) {
  const VideoFormatSettings compressed{kFourCC_IYUV, 176, 144, 12, 1, 0, 1};
  const VideoFormatSettings yv12Raw{kFourCC_YV12, 320, 240, 12, 0, 0, 0};
  const VideoFormatSettings defaults = settings::kFilterDefaults;  // I420 with Compression: raw
  struct Case {
    FillSight sight;
    VideoFormatSettings pc;
    std::string sentence;  // before the fix
  };
  const Case cases[] = {
      {{Misfit::kCompressedWhileRaw}, defaults,
       "Compressed frames arrive but the PC expects I420 176x144 raw"},
      {{Misfit::kRawWhileCompressed}, compressed, "Raw frames arrive but the PC expects IYUV 176x144 compressed"},
      {{Misfit::kDatagramSize, 51200}, yv12Raw,
       "Datagrams of 51200 bytes arrive but the PC expects YV12 320x240 raw in 2 chunks of 57600 bytes"},
      {{Misfit::kDatagramSize, 0}, defaults,
       "Datagrams longer than a chunk arrive but the PC expects I420 176x144 raw in 1 chunk of 38016 bytes"},
      {{Misfit::kChunkCount, 0, 3}, yv12Raw,
       "Raw frames of 3 chunks arrive but the PC expects YV12 320x240 raw in 2 chunks of 57600 bytes"},
      {{Misfit::kPictureLarger}, compressed,
       "Compressed frames of a larger picture arrive but the PC expects IYUV 176x144 compressed"},
      {{Misfit::kPictureOther}, compressed,
       "Compressed frames of another picture size arrive but the PC expects IYUV 176x144 compressed"},
      {{Misfit::kCutAtOneDatagram}, compressed,
       "The phone's compressed frames are cut at one datagram: choose a smaller format or turn compression "
       "off on the phone, then"},
      {{Misfit::kRawWhileCompressed}, {0, 176, 144, 24, 0, 0, 0}, "Raw frames arrive but the PC expects RGB24 176x144 raw"},
      {{Misfit::kRawFrameSize, 4147200}, {kFourCC_YUY2, 1280, 720, 16, 0, 0, 0},
       "Raw frames of 4147200 bytes arrive but the PC expects YUY2 1280x720 raw of 1843200 bytes"},
      {{Misfit::kDatagramSize, 61440}, {kFourCC_YUY2, 1280, 720, 16, 0, 0, 0},
       "Datagrams of 61440 bytes arrive but the PC expects YUY2 1280x720 raw in pieces"},
  };
  for (const Case& c : cases) {
    const std::string fix = c.sight.misfit == Misfit::kCutAtOneDatagram ? " " + kFix : ": " + kFix;
    EXPECT_EQ(Narrow(MisfitSentence(c.sight, c.pc)), c.sentence + fix);
  }
  EXPECT_EQ(Narrow(WaitingSentence(4444)), "Waiting for the phone on UDP port 4444");
  // Addresses in network order, as a socket gives them.
  const std::uint8_t sender[4] = {10, 1, 2, 7}, accepted[4] = {192, 168, 1, 5};
  std::uint32_t from = 0, acceptFrom = 0;
  std::memcpy(&from, sender, 4);
  std::memcpy(&acceptFrom, accepted, 4);
  EXPECT_EQ(Narrow(KeptOutSentence(from, acceptFrom)),
            "Frames arrive from 10.1.2.7, but AcceptFrom takes only 192.168.1.5: " + kFix + " again or change AcceptFrom");
}

wire::Announcement Phone(std::uint32_t fourCC, std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                         std::uint32_t compression) {
  wire::Announcement a;
  a.fourCC = fourCC;
  a.width = width;
  a.height = height;
  a.bitsPerPixel = bits;
  a.sampleSize = width * height * bits / 8;
  a.compression = compression;
  const wire::PcReception pc = wire::PcReceptionOf(fourCC, compression != 0);
  a.pcFourCC = pc.fourCC;
  a.pcSwapUV = pc.swapUV;
  return a;
}

TEST(StreamDiagnosis, AnnouncementThatThePcDoesNotReceiveIsSaid) {
  const VideoFormatSettings detected{kFourCC_IYUV, 176, 144, 12, 1, 0, 1};  // the phone's default
  struct Case {
    wire::Announcement phone;
    VideoFormatSettings pc;
    std::string sentence;  // before the fix; empty: it matches
  };
  const Case cases[] = {
      {Phone(kFourCC_YV12, 176, 144, 12, 1), detected, ""},
      {Phone(kFourCC_YV12, 176, 144, 12, 1), settings::kFilterDefaults,
       "The phone sends YV12 176x144 compressed but the PC expects I420 176x144 raw"},
      {Phone(kFourCC_YV12, 320, 240, 12, 1), detected,
       "The phone sends YV12 320x240 compressed but the PC expects IYUV 176x144 compressed"},
      {Phone(kFourCC_YV12, 176, 144, 12, 0), detected,
       "The phone sends YV12 176x144 raw but the PC expects IYUV 176x144 compressed"},
      {Phone(kFourCC_YUY2, 320, 240, 16, 0), {kFourCC_YV12, 320, 240, 12, 0, 0, 0},
       "The phone sends YUY2 320x240 raw but the PC expects YV12 320x240 raw"},
      {Phone(kFourCC_YV12, 176, 144, 12, 1), {kFourCC_IYUV, 176, 144, 12, 1, 0, 0},
       "The phone sends YV12 176x144 compressed but the PC expects IYUV 176x144 compressed without SwapUV"},
      {Phone(kFourCC_YUY2, 176, 144, 16, 0), {kFourCC_YUY2, 176, 144, 12, 0, 0, 0},
       "The phone sends YUY2 176x144 raw but the PC expects YUY2 176x144 raw at 12 bits per pixel"},
      // Compression set where the FourCC cannot take it: raw frames, as the phone sends.
      {Phone(kFourCC_YV12, 176, 144, 12, 0), {kFourCC_YV12, 176, 144, 12, 1, 0, 0}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(AnnouncementSentence(c.phone, c.pc)), c.sentence.empty() ? "" : c.sentence + ": " + kFix);
  }
}

}  // namespace
}  // namespace orlin::filter
