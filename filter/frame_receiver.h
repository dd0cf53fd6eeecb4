// The PC end of the phone's stream: fills one output sample per call from the
// stream's UDP port, by reassembling an uncompressed frame from its counted
// chunks or by decoding one compressed-frame datagram; a frame too large for
// those forms comes in pieces (wire/frame_piece.h), which are put in place by
// their header and never joined across frames. Owned by the output stream and
// used only on its worker thread: Open when streaming starts, FillFrame for
// every sample, Close when it stops.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "filter/stream_diagnosis.h"
#include "orlin/com.h"
#include "orlin/winsock.h"
#include "settings/announcement.h"
#include "settings/sender_tally.h"
#include "settings/stream_form.h"
#include "settings/video_format_settings.h"
#include "wire/frame_piece.h"
#include "wire/stream.h"

namespace orlin::filter {

inline constexpr DWORD kReceiveTimeoutMs = 3000;
// Datagrams looked at for one compressed frame: the first and 101 more.
inline constexpr int kMaxHeaderRetries = 100;
// Kept below the compressed buffer's size: the decoder may read two bytes past
// a payload cut short, after the 4-byte header.
inline constexpr std::int32_t kPayloadMargin = 6;
// Chunks with the wrong counter discarded before a frame is given up.
inline constexpr int kMaxCounterMismatches = 15;
// Pieces of this many frames before the newest are late, not a phone that
// started again: they are dropped.
inline constexpr std::uint32_t kLatePieceSerials = 8;
// How long the phone's last announcement counts: the phone repeats it about
// once a second, so one that is not repeated speaks of a phone that left.
inline constexpr std::chrono::milliseconds kAnnouncementLifetime{5000};

// What the stream's media type fixes for the life of the stream.
struct ReceiverFormat {
  std::int32_t width = 0;       // biWidth
  std::int32_t height = 0;      // biHeight
  std::uint32_t fourCC = 0;     // biCompression
  std::int32_t sampleSize = 0;  // S: lSampleSize = biSizeImage
  bool compression = false;     // the Compression setting
  std::uint16_t port = wire::kStreamPort;  // tests give ports of their own
  // SO_RCVBUF; 0: room for a whole frame (see FrameReceiver::ReceiveBufferBytes).
  std::int32_t receiveBufferBytes = 0;
  // Where the phone's format announcement is listened for; 0: not at all.
  std::uint16_t announcementPort = wire::kAnnouncementPort;
  // The settings whole, as read: what the diagnosis compares and names.
  settings::VideoFormatSettings settings{};
  // "AcceptFrom" and "ListenAddress" as stored: nothing when absent (any
  // sender, every local address); an empty text when unreadable.
  std::optional<std::basic_string<WCHAR>> acceptFrom{};
  std::optional<std::basic_string<WCHAR>> listenAddress{};
};

// The sample size, shared with the setup tool's checks.
using settings::SampleSizeOf;

// The receiver's format for the given settings.
ReceiverFormat ReceiverFormatOf(const settings::VideoFormatSettings& settings);
// The same, with the stored sender and listen addresses: what a filter runs on.
ReceiverFormat StoredReceiverFormat(const settings::VideoFormatSettings& settings);

class FrameReceiver {
 public:
  explicit FrameReceiver(const ReceiverFormat& format);
  FrameReceiver(const FrameReceiver&) = delete;
  FrameReceiver& operator=(const FrameReceiver&) = delete;

  // Starts Winsock and binds a new socket (address reuse on, so two filters
  // may share the port), on the listen address when one is set. S_OK; E_FAIL
  // after a message when Winsock or the socket cannot be had, the port cannot
  // be bound (the message names it), or a set AcceptFrom or ListenAddress does
  // not resolve (the message names the setting);
  // VFW_E_INVALIDMEDIATYPE, before anything else, for a sample size of 0 or
  // less, which has no chunk geometry; E_OUTOFMEMORY, with the socket closed
  // again, when there is no memory to track a frame's pieces.
  HRESULT Open();

  // Fills `destination` (at least S bytes) with the next frame, as far as it
  // arrives: nothing that fails here is reported, and what is not received
  // keeps its previous contents. True when the whole frame arrived (every
  // chunk in turn, every piece of one frame, or a compressed frame decoded to
  // its end); false when part of it or nothing did.
  bool FillFrame(std::uint8_t* destination);

  // Stream datagrams dropped since the last Open because they came from
  // another address than AcceptFrom's.
  std::uint64_t ForeignDatagrams() const { return foreign_datagrams_; }
  // Whom the last Open took frames from, and the datagrams dropped since then
  // per sender, on the stream and the announcement ports. From any thread.
  settings::SenderTallyCounts Senders() const { return senders_.Counts(); }

  // Closes the socket and ends Winsock, whatever Open got; S_OK.
  HRESULT Close();

  // What the fills make of the stream, beside the bytes (which stay as the
  // fill left them).
  // The last fill brought a new whole frame that matches the settings: not a
  // misread stream, by what arrived and by what the phone announced.
  bool NewFrame() const { return new_frame_; }
  // The last fill saw datagrams that do not fit the format.
  bool FillMisfit() const { return sight_.misfit != Misfit::kNone; }
  // One sentence while the stream does not match (what arrives, what the PC
  // expects, the fix); empty otherwise. Set by the fills since the last Open.
  const Text& Diagnosis() const { return diagnosis_; }

  // Compression in force: cleared for good at an open that finds the format
  // unable to take compressed frames or no memory for their buffer.
  bool Compression() const { return compression_; }
  // Raw frames come in pieces: compression is off and the sample size is
  // beyond what counted chunks carry (decided by the last Open).
  bool RawPieces() const { return raw_pieces_; }
  std::uint32_t ChunkCount() const { return chunk_count_; }
  std::uint32_t ChunkSize() const { return chunk_size_; }
  std::int32_t CompressedBufferSize() const { return compressed_buffer_size_; }
  const std::uint8_t* CompressedBuffer() const { return compressed_buffer_.get(); }
  // The port the open socket is bound to (the given one, or the one the
  // system chose for port 0); 0 when not bound.
  std::uint16_t BoundPort() const;
  // The SO_RCVBUF Open asks for: the format's receiveBufferBytes when above 0,
  // else (n + 1) x q for raw frames in chunks, the pieces of a frame and one
  // more for raw frames in pieces, and with compression two of the largest
  // datagrams or the pieces of a full compressed buffer and one more,
  // whichever is more (as decided by the last Open).
  std::int32_t ReceiveBufferBytes() const;
  // What the system granted of it at the last Open (Linux caps it at
  // net.core.rmem_max); 0 when it could not be read.
  std::int32_t GrantedReceiveBufferBytes() const { return granted_receive_buffer_bytes_; }
  // What the phone sends back to back must fit: a raw frame's chunks and one
  // more, two compressed datagrams, or a burst of pieces and one more (the
  // phone paces the rest of a large frame's pieces). The format's
  // receiveBufferBytes when above 0.
  std::int32_t BurstBytes() const;
  // The system granted less than a burst needs: a burst longer than what it
  // granted loses its end, and frames arrive broken.
  bool ReceiveBufferShort() const {
    return granted_receive_buffer_bytes_ > 0 && granted_receive_buffer_bytes_ < BurstBytes();
  }

 private:
  bool CompressionPossible() const;
  // 0 once k bytes are in; -1 on a failed receive.
  int ReceiveExactly(std::uint8_t* p, std::uint32_t k);
  // One datagram, waiting no later than the fill's deadline; SOCKET_ERROR
  // once it has passed.
  int ReceiveBeforeDeadline(std::uint8_t* p, int k);
  // With AcceptFrom set: drops what waits from other senders, so that the next
  // datagram is the accepted sender's. 0; SOCKET_ERROR once the deadline
  // passed or a receive failed.
  int SkipForeign();
  // The next datagram's whole length and first bytes, left on the socket (with
  // AcceptFrom set, the next one from that sender's); SOCKET_ERROR once the
  // deadline has passed.
  int PeekBeforeDeadline(std::uint8_t* p, int k);
  // Sets the socket's time-out to what is left of the fill; false once none is.
  bool WaitNoLaterThanTheDeadline();
  // Takes the datagram just peeked and drops it.
  void Discard();
  bool FillChunks(std::uint8_t* destination);
  // Raw pieces (into the sample) or, with compression, compressed pieces (into
  // the compressed buffer) and compressed datagrams, whichever come.
  bool FillPieces(std::uint8_t* destination);
  bool DecodeDatagram(std::uint8_t* destination, int received);
  bool DecodePieces(std::uint8_t* destination);
  // Decodes a payload of frame.length bytes into the sample and notes what the
  // frame looked like; true when it decoded to its end.
  bool Decode(const std::uint8_t* payload, bool fixedSize, CompressedFrameSight frame, std::uint8_t* destination);
  // A piece this stream reads: the kind its mode reads, frame bytes its format
  // gives, in a datagram of the piece's length. Notes the misfit otherwise.
  bool Readable(const wire::PieceHeader& piece, int datagramBytes);
  // Notes a piece of a kind or size this stream does not read.
  void NotePieceMisfit(const wire::PieceHeader& piece);
  enum class PieceTaken { kDropped, kPlaced, kFrameWhole };
  // Puts a readable piece in its place in `frame`, by serial and index.
  PieceTaken TakePiece(const wire::PieceHeader& piece, const std::uint8_t* head, std::uint8_t* frame);
  // After each fill: the streak, the announcement and the sentence.
  void Diagnose(bool whole);

  const ReceiverFormat format_;
  std::mutex stream_lock_;  // held by Open and by each fill, across its receives
  WinsockSession winsock_;
  SocketHandle socket_;
  std::unique_ptr<std::uint8_t[]> compressed_buffer_;  // kept across opens
  std::int32_t compressed_buffer_size_ = 0;
  std::uint32_t chunk_count_ = 0;
  std::uint32_t chunk_size_ = 0;
  bool compression_;
  bool raw_pieces_ = false;

  // The frame in pieces being put together: one mark per piece, for as many
  // pieces as the format's largest frame has (allocated once, kept across
  // opens). A frame lives within one fill: raw pieces land in that fill's sample.
  std::unique_ptr<std::uint8_t[]> piece_marks_;
  std::int64_t piece_marks_size_ = 0;
  wire::PieceHeader piece_frame_{};  // its first piece's header
  std::uint32_t pieces_in_ = 0;
  bool piece_frame_open_ = false;
  std::uint32_t newest_serial_ = 0;  // of the frame in progress, or the last one begun
  bool serial_known_ = false;
  // A fill ends one receive time-out after it began: datagrams that trickle
  // in, each within the time-out, must not keep it (and a Stop waiting for
  // it) going on and on.
  std::chrono::steady_clock::time_point fill_deadline_;
  DWORD timeout_in_force_ = 0;  // SO_RCVTIMEO as last set
  std::int32_t granted_receive_buffer_bytes_ = 0;
  std::optional<std::uint32_t> accept_from_;  // network order; resolved at Open
  std::uint64_t foreign_datagrams_ = 0;
  settings::SenderTally senders_;
  // The fill in progress: a datagram of AcceptFrom's came; the first other
  // sender whose datagrams it dropped.
  bool fill_accepted_ = false;
  std::optional<std::uint32_t> fill_foreign_;
  bool last_receive_too_long_ = false;  // the last failed receive: WSAEMSGSIZE

  settings::AnnouncementListener announcements_;
  std::optional<wire::Announcement> announcement_;
  std::chrono::steady_clock::time_point announced_at_;
  Text announcement_sentence_;  // for announcement_; empty when it matches
  FillSight sight_;             // what the fill in progress saw
  MisfitStreak streak_;
  FillSight said_;              // the misfit diagnosis_ was made for
  bool new_frame_ = false;
  Text diagnosis_;
};

}  // namespace orlin::filter
