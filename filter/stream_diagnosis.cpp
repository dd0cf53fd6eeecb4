#include "filter/stream_diagnosis.h"

#include <string>

#include "codec/codec.h"
#include "settings/announcement.h"
#include "orlin/udp_port.h"
#include "settings/stream_form.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"

namespace orlin::filter {

using settings::VideoFormatSettings;

namespace {

#ifdef _WIN32
constexpr char kFix[] = "run OrlinSetup and press Detect";
#else
constexpr char kFix[] = "run orlin-setup --detect";
#endif

Text Widen(const std::string& narrow) { return Text(narrow.begin(), narrow.end()); }

std::string FourCCText(std::uint32_t fourCC, std::uint32_t bitsPerPixel) {
  return fourCC == 0 ? "RGB" + std::to_string(bitsPerPixel) : wire::FourCCText(fourCC);
}

std::string Size(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

// "IYUV 176x144 compressed", "YUY2 320x240 raw": what the PC takes.
std::string Describe(const VideoFormatSettings& pc) {
  return FourCCText(pc.FourCC, pc.BitsPerPixel) + " " + Size(pc.Width, pc.Height) +
         (AsReceived(pc).Compression != 0 ? " compressed" : " raw");
}

// " in 2 chunks of 57600 bytes"; " in pieces" for a frame beyond the countdown.
std::string Chunks(const VideoFormatSettings& pc) {
  const std::int32_t frameBytes = settings::SampleSizeOf(pc);
  if (!wire::FitsCountedChunks(frameBytes)) return " in pieces";
  const wire::ChunkGeometry geometry = wire::ComputeChunkGeometry(frameBytes);
  return " in " + std::to_string(geometry.count) + (geometry.count == 1 ? " chunk of " : " chunks of ") +
         std::to_string(geometry.bytes) + " bytes";
}

Text Sentence(const std::string& arrives, const std::string& expects) {
  return Widen(arrives + " but the PC expects " + expects + ": " + kFix);
}

std::string Switch(const char* name, std::uint32_t on) {
  return std::string(on != 0 ? " with " : " without ") + name;
}

}  // namespace

void FillSight::Note(Misfit kind, std::int64_t datagramBytes, std::uint32_t countdown) {
  if (kind <= misfit) return;
  misfit = kind;
  bytes = datagramBytes;
  chunks = countdown;
}

bool LooksCompressed(const std::uint8_t* datagram, std::int64_t received, std::int64_t chunkBytes) {
  const auto declared = wire::ParseCompressedHeader(datagram, received);
  if (!declared) return false;
  return *declared == received - wire::kCompressedHeaderBytes || (*declared == 0 && received != chunkBytes);
}

Misfit ClassifyCompressedFrame(const CompressedFrameSight& frame) {
  // The header promises more than the datagram brought: cut on the way.
  if (frame.declared > frame.carried) return Misfit::kCutAtOneDatagram;
  const bool atDatagramLimit =
      !frame.inPieces && frame.carried + wire::kCompressedHeaderBytes >= wire::kMaxUdpPayloadBytes;
  const bool filledTheBuffer = frame.carried + wire::kCompressedHeaderBytes + codec::kBlockMargin + 8 >=
                               frame.bufferBytes;
  if (frame.declared == 0) {
    if (frame.carried == frame.fixedSizeBytes) return Misfit::kNone;
    if (frame.carried > frame.fixedSizeBytes) return Misfit::kPictureLarger;
    return atDatagramLimit ? Misfit::kCutAtOneDatagram : Misfit::kPictureOther;
  }
  if (frame.decoded == codec::kCodecOk && frame.consumed < frame.length) return Misfit::kPictureLarger;
  if (frame.decoded == codec::kCodecOk && frame.consumed == frame.length) return Misfit::kNone;
  // The payload ended before the picture did.
  if (atDatagramLimit) return Misfit::kCutAtOneDatagram;
  return filledTheBuffer ? Misfit::kNone : Misfit::kPictureOther;
}

void MisfitStreak::Note(const FillSight& sight, bool wholeMatchingFrame) {
  if (wholeMatchingFrame && sight.misfit == Misfit::kNone) {
    Reset();
    return;
  }
  if (sight.misfit == Misfit::kNone) return;
  if (sight.misfit == running_) {
    ++count_;
  } else {
    running_ = sight.misfit;
    count_ = 1;
  }
  if (count_ >= kMisfitFillsToDiagnose) diagnosed_ = sight;
}

VideoFormatSettings AsReceived(VideoFormatSettings settings) {
  settings.Compression = settings::TakesCompressedFrames(settings) ? 1 : 0;
  return settings;
}

Text WaitingSentence(std::uint16_t port) {
  return Widen("Waiting for the phone on UDP port " + std::to_string(port));
}

Text MisfitSentence(const FillSight& sight, const VideoFormatSettings& pc) {
  const std::string expects = Describe(pc);
  switch (sight.misfit) {
    case Misfit::kNone:
      return {};
    case Misfit::kChunkCount:
      return Sentence("Raw frames of " + std::to_string(sight.chunks) + " chunks arrive",
                      expects + Chunks(pc));
    case Misfit::kDatagramSize: {
      const std::string arrives =
          sight.bytes > 0 ? "Datagrams of " + std::to_string(sight.bytes) + " bytes arrive"
                          : "Datagrams longer than a chunk arrive";
      return Sentence(arrives, expects + Chunks(pc));
    }
    case Misfit::kRawFrameSize:
      return Sentence("Raw frames of " + std::to_string(sight.bytes) + " bytes arrive",
                      expects + " of " + std::to_string(settings::SampleSizeOf(pc)) + " bytes");
    case Misfit::kPictureOther:
      return Sentence("Compressed frames of another picture size arrive", expects);
    case Misfit::kPictureLarger:
      return Sentence("Compressed frames of a larger picture arrive", expects);
    case Misfit::kCutAtOneDatagram:
      return Widen(std::string("The phone's compressed frames are cut at one datagram: choose a smaller "
                               "format or turn compression off on the phone, then ") +
                   kFix);
    case Misfit::kCompressedWhileRaw:
      return Sentence("Compressed frames arrive", expects);
    case Misfit::kRawWhileCompressed:
      return Sentence("Raw frames arrive", expects);
  }
  return {};
}

Text KeptOutSentence(std::uint32_t sender, std::uint32_t acceptFrom) {
  return Widen("Frames arrive from " + DottedIPv4(sender) + ", but AcceptFrom takes only " +
               DottedIPv4(acceptFrom) + ": " + kFix + " again or change AcceptFrom");
}

Text AnnouncementSentence(const wire::Announcement& a, const VideoFormatSettings& pc) {
  const VideoFormatSettings wanted = AsReceived(settings::SettingsToReceive(a));
  const VideoFormatSettings have = AsReceived(pc);
  if (wanted == have) return {};
  const std::string phone = FourCCText(a.fourCC, a.bitsPerPixel) + " " + Size(a.width, a.height) +
                            (a.compression != 0 ? " compressed" : " raw");
  std::string expects = Describe(have);
  // The same format in words: name what differs.
  if (Describe(wanted) == expects) {
    if (wanted.BitsPerPixel != have.BitsPerPixel) {
      expects += " at " + std::to_string(have.BitsPerPixel) + " bits per pixel";
    }
    if (wanted.PixelCorrection != have.PixelCorrection) expects += Switch("PixelCorrection", have.PixelCorrection);
    if (wanted.SwapUV != have.SwapUV) expects += Switch("SwapUV", have.SwapUV);
  }
  return Sentence("The phone sends " + phone, expects);
}

}  // namespace orlin::filter
