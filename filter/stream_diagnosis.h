// What the receiver makes of a stream that does not fit its format, from the
// stream alone or from the phone's format announcement, and the one sentence
// that tells the user: what arrives, what the PC expects, and the fix. Pure:
// the receiver feeds it what each fill saw.
#pragma once

#include <cstdint>
#include <string>

#include "orlin/win_types.h"
#include "settings/video_format_settings.h"
#include "wire/announcement.h"

namespace orlin::filter {

using Text = std::basic_string<WCHAR>;

// What a fill saw that does not fit the format in force; one kind per fill.
enum class Misfit : std::uint8_t {
  kNone,
  kChunkCount,          // raw: chunks counting down from another number
  kDatagramSize,        // raw: datagrams of another size than the chunk
  kRawFrameSize,        // raw frames in pieces, of another size than the sample
  kPictureOther,        // compressed frames that end before this picture
  kPictureLarger,       // compressed frames that carry more than this picture
  kCutAtOneDatagram,    // compressed frames cut at the largest datagram
  kCompressedWhileRaw,  // compressed datagrams reach a raw-frame receiver
  kRawWhileCompressed,  // datagrams without the header reach a compressed-frame receiver
};

struct FillSight {
  Misfit misfit = Misfit::kNone;
  // kDatagramSize: the size of the datagrams that arrive; 0 when they are
  // longer than a chunk (the system says only that). kRawFrameSize: the bytes
  // of the frames that arrive.
  std::int64_t bytes = 0;
  // kChunkCount: the highest countdown seen, the phone's chunks per frame.
  std::uint32_t chunks = 0;

  // Keeps the telling one of two misfits a fill saw: the kinds further down
  // the list above name the cause more plainly.
  void Note(Misfit kind, std::int64_t datagramBytes = 0, std::uint32_t countdown = 0);
  bool operator==(const FillSight&) const = default;
};

// A raw-frame receiver's datagram of `received` bytes: true when it carries
// the compressed header with its own length (or 0, the fixed-size mode, in a
// datagram that is not a chunk), which pixel data hardly ever does.
bool LooksCompressed(const std::uint8_t* datagram, std::int64_t received, std::int64_t chunkBytes);

// A compressed frame against the picture: `declared` is the header's length,
// `carried` the payload bytes the datagram brought, `decoded` the decoder's
// result over `length` bytes and `consumed` the bytes it took (with kCodecOk).
// `bufferBytes` is the receive buffer (width x height x 3 / 4): the phone's
// encoder stops short of the same size, so a frame that fails near it is a
// matching frame the encoder could not finish, not a misfit.
struct CompressedFrameSight {
  std::int32_t declared = 0;
  std::int32_t carried = 0;
  std::int32_t length = 0;
  int decoded = 0;
  std::int32_t consumed = 0;
  std::int32_t fixedSizeBytes = 0;  // what the fixed-size mode reads for this picture
  std::int32_t bufferBytes = 0;
  bool inPieces = false;  // the payload came whole, in pieces: never cut at one datagram
};
Misfit ClassifyCompressedFrame(const CompressedFrameSight& frame);

// Fills in a row that show one misfit before it is said: one odd datagram is
// not a diagnosis.
inline constexpr int kMisfitFillsToDiagnose = 3;

// The stream's diagnosis over fills: a misfit of one kind in
// kMisfitFillsToDiagnose fills in a row (fills that saw nothing either way do
// not break the row) gives it; one whole matching frame clears it.
class MisfitStreak {
 public:
  void Note(const FillSight& sight, bool wholeMatchingFrame);
  // The misfit said, or kNone.
  const FillSight& Diagnosed() const { return diagnosed_; }
  void Reset() { *this = MisfitStreak(); }

 private:
  FillSight diagnosed_;
  Misfit running_ = Misfit::kNone;
  int count_ = 0;
};

// Compression as the filter takes it (Compression on, IYUV and a picture the
// codec codes), the one rule two settings are compared by beyond their values.
settings::VideoFormatSettings AsReceived(settings::VideoFormatSettings settings);

// "Waiting for the phone on UDP port 4444".
Text WaitingSentence(std::uint16_t port);

// The sentence for a misfit, the PC's settings `pc` named in it.
Text MisfitSentence(const FillSight& sight, const settings::VideoFormatSettings& pc);

// The sentence when only other senders' datagrams arrive, dropped because
// AcceptFrom takes `acceptFrom` alone (IPv4 addresses, network order).
Text KeptOutSentence(std::uint32_t sender, std::uint32_t acceptFrom);

// The sentence when the announced stream is not what `pc` receives; empty
// when it is (compared value by value, compression as the filter takes it).
Text AnnouncementSentence(const wire::Announcement& announcement,
                          const settings::VideoFormatSettings& pc);

}  // namespace orlin::filter
