// The frame receiver. Every datagram comes off the network: the chunk counter
// and the compressed header are checked, the payload length is capped to the
// buffer, a piece's header is checked against the format before a byte of it
// lands, and the decoder is only ever asked to write a picture the sample holds.
#include "filter/frame_receiver.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "codec/codec.h"
#include "orlin/dshow.h"
#include "orlin/message_box.h"
#include "orlin/receive_datagram.h"
#include "orlin/udp_port.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"
#include "wire/frame_piece.h"

namespace orlin::filter {

using settings::VideoFormatSettings;
namespace {

const WCHAR kCaption[] = ORLIN_TEXT("OrlinView");

void ShowError(const WCHAR* text) { ShowMessage(nullptr, text, kCaption, MB_OK | MB_ICONERROR); }

void SetIntOption(SOCKET s, int name, int value) {
  setsockopt(s, SOL_SOCKET, name, reinterpret_cast<const char*>(&value), sizeof value);
}

// The decoder may read this many bytes past a payload cut short: compressed
// pieces are put together from the start of the compressed buffer, so a frame
// of at most the buffer less this is decoded whole.
constexpr std::int32_t kDecoderReadsPast = kPayloadMargin - wire::kCompressedHeaderBytes;

}  // namespace

ReceiverFormat ReceiverFormatOf(const VideoFormatSettings& settings) {
  ReceiverFormat format;
  format.width = std::int32_t(settings.Width);
  format.height = std::int32_t(settings.Height);
  format.fourCC = settings.FourCC;
  format.sampleSize = SampleSizeOf(settings);
  format.compression = settings.Compression != 0;
  format.settings = settings;
  return format;
}

ReceiverFormat StoredReceiverFormat(const VideoFormatSettings& settings) {
  ReceiverFormat format = ReceiverFormatOf(settings);
  format.acceptFrom = settings::ReadTextSetting(settings::kAcceptFromValueName);
  format.listenAddress = settings::ReadTextSetting(settings::kListenAddressValueName);
  return format;
}

FrameReceiver::FrameReceiver(const ReceiverFormat& format)
    : format_(format), compression_(format.compression) {}

bool FrameReceiver::CompressionPossible() const {
  if (format_.fourCC != wire::kFourCC_IYUV) return false;
  // The decoder keeps one count per block column, and writes a whole 4:2:0
  // picture: refuse what it cannot decode or what the sample cannot hold (a
  // format of fewer than 12 bits per pixel).
  if (!codec::PictureFits(format_.width, format_.height)) return false;
  const auto picture = static_cast<std::int64_t>(codec::PictureBytes(format_.width, format_.height));
  if (picture > format_.sampleSize) return false;
  const std::int64_t bufferSize = std::int64_t(format_.width) * format_.height * 3 / 4;
  return bufferSize > kPayloadMargin && bufferSize <= std::numeric_limits<std::int32_t>::max();
}

HRESULT FrameReceiver::Open() {
  std::lock_guard<std::mutex> lock(stream_lock_);
  if (format_.sampleSize <= 0) return VFW_E_INVALIDMEDIATYPE;
  if (winsock_.Start() != 0) {
    ShowError(ORLIN_TEXT("WSAStartup failed"));
    return E_FAIL;
  }
  socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!socket_.Valid()) {
    ShowError(ORLIN_TEXT("Invalid socket"));
    winsock_.End();
    return E_FAIL;
  }
  // Whom frames are taken from and where, resolved at every start. A setting
  // that does not resolve stops the stream rather than let any sender in.
  std::uint32_t listen = 0;
  accept_from_.reset();
  foreign_datagrams_ = 0;
  senders_.Reset(std::nullopt);
  for (const auto& [setting, name] : {std::pair{&format_.listenAddress, settings::kListenAddressValueName},
                                      std::pair{&format_.acceptFrom, settings::kAcceptFromValueName}}) {
    if (!*setting) continue;
    const std::optional<std::uint32_t> address = ResolveIPv4(**setting);
    if (!address) {
      const std::basic_string<WCHAR> what =
          (*setting)->empty() ? ORLIN_TEXT(" cannot be read") : ORLIN_TEXT(": ") + **setting + ORLIN_TEXT(" not found");
      ShowError((name + what).c_str());
      socket_.Reset();
      winsock_.End();
      return E_FAIL;
    }
    if (setting == &format_.listenAddress) {
      listen = *address;
    } else {
      accept_from_ = address;
    }
  }
  senders_.Reset(accept_from_);
  // An unbound socket would never receive (Windows fails every receive at once,
  // and the worker would spin on stale samples): the stream does not start.
  if (const auto failure = BindUdpPort(socket_.Get(), format_.port, listen); !failure.empty()) {
    ShowError(failure.c_str());
    socket_.Reset();
    winsock_.End();
    return E_FAIL;
  }

  const wire::ChunkGeometry geometry = wire::ComputeChunkGeometry(format_.sampleSize);
  chunk_count_ = static_cast<std::uint32_t>(geometry.count);
  chunk_size_ = static_cast<std::uint32_t>(geometry.bytes);

  if (compression_) {
    if (!CompressionPossible()) {
      compression_ = false;
    } else if (compressed_buffer_ == nullptr) {
      const auto bytes = std::int32_t(std::int64_t(format_.width) * format_.height * 3 / 4);
      compressed_buffer_.reset(new (std::nothrow) std::uint8_t[std::size_t(bytes)]());
      if (compressed_buffer_ == nullptr) {
        compression_ = false;
      } else {
        compressed_buffer_size_ = bytes;
      }
    }
  }
  // Raw frames beyond the countdown come in pieces; so do compressed frames
  // longer than one datagram.
  raw_pieces_ = !compression_ && !wire::FitsCountedChunks(format_.sampleSize);
  const std::int64_t pieces = wire::PieceCountOf(compression_ ? compressed_buffer_size_ - kDecoderReadsPast
                                                 : raw_pieces_  ? format_.sampleSize
                                                                : 0);
  if (pieces > piece_marks_size_) {
    piece_marks_.reset(new (std::nothrow) std::uint8_t[std::size_t(pieces)]());
    piece_marks_size_ = piece_marks_ != nullptr ? pieces : 0;
    if (piece_marks_ == nullptr) {
      socket_.Reset();
      winsock_.End();
      return E_OUTOFMEMORY;
    }
  }
  piece_frame_open_ = false;
  serial_known_ = false;
  SetIntOption(socket_.Get(), SO_RCVBUF, ReceiveBufferBytes());
  granted_receive_buffer_bytes_ = ReceiveBufferInForce(socket_.Get());
  SetReceiveTimeout(socket_.Get(), kReceiveTimeoutMs);
  timeout_in_force_ = kReceiveTimeoutMs;
  if (compression_) codec::InitDecoderTables();

  // Each start judges the stream afresh. The announcement is a help, not a
  // need: a port that cannot be had only means no comparison.
  streak_.Reset();
  said_ = {};
  new_frame_ = false;
  diagnosis_.clear();
  announcement_.reset();
  announcement_sentence_.clear();
  announcements_.AcceptOnlyFrom(accept_from_);
  announcements_.CountForeignIn(&senders_);
  if (format_.announcementPort != 0) announcements_.Open(format_.announcementPort);
  return S_OK;
}

std::int32_t FrameReceiver::ReceiveBufferBytes() const {
  if (format_.receiveBufferBytes > 0) return format_.receiveBufferBytes;
  // Room for a whole frame: the phone sends a frame's chunks back to back, and
  // a buffer of one chunk loses about half of such a burst on loopback. Raw
  // frames get all n chunks and one more (the first of the next frame, which
  // may come while the last is still being read); compressed ones two of the
  // largest datagrams. (The system may cap it; Linux at net.core.rmem_max: see
  // GrantedReceiveBufferBytes.)
  // Frames in pieces likewise: a frame's pieces and one more.
  std::int64_t bytes = (std::int64_t(chunk_count_) + 1) * std::int64_t(chunk_size_);
  if (raw_pieces_) bytes = (wire::PieceCountOf(format_.sampleSize) + 1) * wire::kMaxUdpPayloadBytes;
  if (compression_) {
    bytes = std::max<std::int64_t>(2 * std::int64_t(wire::kMaxChunkBytes),
                                   (wire::PieceCountOf(compressed_buffer_size_) + 1) * wire::kMaxUdpPayloadBytes);
  }
  const std::int64_t most = std::numeric_limits<std::int32_t>::max();
  return std::int32_t(bytes < most ? bytes : most);
}

std::int32_t FrameReceiver::BurstBytes() const {
  if (format_.receiveBufferBytes > 0) return format_.receiveBufferBytes;
  // Never more than is asked: small pictures never come in pieces.
  const std::int64_t asked = ReceiveBufferBytes();
  const std::int64_t pieces = (std::int64_t{wire::kMaxPieceBurst} + 1) * wire::kMaxUdpPayloadBytes;
  const std::int64_t burst =
      compression_ ? std::max<std::int64_t>(2 * std::int64_t{wire::kMaxChunkBytes}, pieces) : pieces;
  if (compression_ || raw_pieces_) return std::int32_t(std::min(asked, burst));
  return std::int32_t(asked);
}

HRESULT FrameReceiver::Close() {
  announcements_.Close();
  socket_.Reset();
  winsock_.End();
  return S_OK;
}

std::uint16_t FrameReceiver::BoundPort() const { return BoundUdpPort(socket_.Get()); }

int FrameReceiver::ReceiveExactly(std::uint8_t* p, std::uint32_t k) {
  // Each call takes one datagram: a chunk may come as several shorter ones,
  // and one longer than the space left fails the chunk. So does an empty one:
  // it brings nothing, and a flood of them would otherwise keep the fill (and
  // a Stop waiting for it) going for as long as the flood lasts.
  std::int64_t otherSize = 0;  // the first datagram that is not a chunk's size
  while (k > 0) {
    const int received = ReceiveBeforeDeadline(p, int(k));
    if (received == SOCKET_ERROR || received == 0) {
      // Split chunks that add up are the format's; ones that do not are another's.
      if (received == SOCKET_ERROR && last_receive_too_long_) {
        // What was stored of the longer datagram may show a compressed frame.
        if (wire::ParseCompressedHeader(p, k)) {
          sight_.Note(Misfit::kCompressedWhileRaw);
        } else if (const auto piece = wire::ParsePieceHeader(p, k)) {
          NotePieceMisfit(*piece);
        } else {
          sight_.Note(Misfit::kDatagramSize, otherSize);
        }
      }
      return -1;
    }
    if (LooksCompressed(p, received, chunk_size_)) {
      sight_.Note(Misfit::kCompressedWhileRaw);
    } else if (std::uint32_t(received) != chunk_size_ && otherSize == 0) {
      otherSize = received;
    }
    k -= std::uint32_t(received);
    p += received;
  }
  return 0;
}

bool FrameReceiver::WaitNoLaterThanTheDeadline() {
  using namespace std::chrono;
  const auto left = duration_cast<milliseconds>(fill_deadline_ - steady_clock::now()).count();
  if (left <= 0) return false;
  // The whole time-out while most of it is left (the socket keeps it between
  // fills); the rest of it once a fill has run long.
  const DWORD wait = left > kReceiveTimeoutMs - 100 ? kReceiveTimeoutMs : DWORD(left);
  if (wait != timeout_in_force_) {
    SetReceiveTimeout(socket_.Get(), wait);
    timeout_in_force_ = wait;
  }
  return true;
}

int FrameReceiver::SkipForeign() {
  if (!accept_from_) return 0;
  return PeekBeforeDeadline(nullptr, 0) == SOCKET_ERROR ? SOCKET_ERROR : 0;
}

int FrameReceiver::ReceiveBeforeDeadline(std::uint8_t* p, int k) {
  if (SkipForeign() == SOCKET_ERROR) return SOCKET_ERROR;
  if (!WaitNoLaterThanTheDeadline()) return SOCKET_ERROR;
  const int received = ReceiveDatagram(socket_.Get(), p, k);
  last_receive_too_long_ = received == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE;
  return received;
}

int FrameReceiver::PeekBeforeDeadline(std::uint8_t* p, int k) {
  // One peek gives the datagram's first bytes and, with AcceptFrom set, its
  // sender: another sender's is dropped and the next one looked at.
  for (;;) {
    if (!WaitNoLaterThanTheDeadline()) return SOCKET_ERROR;
    sockaddr_in from{};
    const int length = PeekDatagram(socket_.Get(), p, k, accept_from_ ? &from : nullptr);
    if (length == SOCKET_ERROR || !accept_from_) return length;
    if (from.sin_addr.s_addr == *accept_from_) {
      fill_accepted_ = true;
      return length;
    }
    Discard();
    ++foreign_datagrams_;
    senders_.Count(from.sin_addr.s_addr);
    if (!fill_foreign_) fill_foreign_ = from.sin_addr.s_addr;
  }
}

void FrameReceiver::Discard() {
  std::uint8_t head[wire::kPieceHeaderBytes];
  ReceiveDatagram(socket_.Get(), head, int(sizeof head));  // the rest of a longer one goes with it
}

bool FrameReceiver::FillFrame(std::uint8_t* destination) {
  if (destination == nullptr) return false;
  std::lock_guard<std::mutex> lock(stream_lock_);
  if (!socket_.Valid() || chunk_count_ == 0) return false;
  fill_deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReceiveTimeoutMs);
  sight_ = {};
  fill_accepted_ = false;
  fill_foreign_.reset();
  piece_frame_open_ = false;  // a frame in pieces never goes on into another sample
  const bool whole = compression_ || raw_pieces_ ? FillPieces(destination) : FillChunks(destination);
  Diagnose(whole);
  return whole;
}

void FrameReceiver::Diagnose(bool whole) {
  streak_.Note(sight_, whole);
  const auto now = std::chrono::steady_clock::now();
  if (auto latest = announcements_.Latest()) {
    if (!announcement_ || !(*latest == *announcement_)) {
      announcement_sentence_ = AnnouncementSentence(*latest, format_.settings);
    }
    announcement_ = latest;
    announced_at_ = now;
  }
  const bool announcedOther = announcement_ && now - announced_at_ < kAnnouncementLifetime &&
                              !announcement_sentence_.empty();
  // Frames that fit the geometry may still be another format's (YV12 read as
  // I420): what the phone announced outranks what the bytes look like.
  new_frame_ = whole && sight_.misfit == Misfit::kNone && !announcedOther;
  // A whole fill of nothing but other senders' datagrams: the phone may be
  // silent, but someone sends, and AcceptFrom is why none of it shows.
  const bool keptOut = accept_from_ && fill_foreign_ && !fill_accepted_ && !whole;
  if (announcedOther) {
    if (diagnosis_ != announcement_sentence_) diagnosis_ = announcement_sentence_;
    said_ = {Misfit::kNone, -1, 0};  // said again once the announcement no longer counts
  } else if (keptOut) {
    diagnosis_ = KeptOutSentence(*fill_foreign_, *accept_from_);
    said_ = {Misfit::kNone, -1, 0};  // said again once the phone's datagrams come
  } else if (!(streak_.Diagnosed() == said_)) {
    said_ = streak_.Diagnosed();
    diagnosis_ = MisfitSentence(said_, format_.settings);
  }
}

bool FrameReceiver::FillChunks(std::uint8_t* destination) {
  if (chunk_count_ == 1) return ReceiveExactly(destination, chunk_size_) == 0;
  // The chunks carry n, n-1, ..., 1 in the low nibble of their last byte; a
  // chunk out of turn is received over again in the same place.
  std::uint8_t* p = destination;
  std::uint32_t expected = chunk_count_;
  int mismatches = 0;
  // The first chunk of a frame counts down from the phone's number of chunks.
  std::uint32_t highest = 0;
  const auto counted = [&](bool whole) {
    if (highest > chunk_count_ || (!whole && mismatches == kMaxCounterMismatches)) {
      sight_.Note(Misfit::kChunkCount, 0, highest);
    }
    return whole;
  };
  for (;;) {
    if (ReceiveExactly(p, chunk_size_) != 0) return false;
    const std::uint32_t countdown = wire::ChunkCountdown(p[chunk_size_ - 1]);
    if (countdown > highest) highest = countdown;
    if (countdown == expected) {
      p += chunk_size_;
      if (--expected == 0) return counted(true);
    } else if (mismatches < kMaxCounterMismatches) {
      ++mismatches;
    } else {
      return counted(false);
    }
  }
}

bool FrameReceiver::FillPieces(std::uint8_t* destination) {
  // Each datagram is looked at before it is taken: a piece goes straight to
  // its place, anything else is received where it touches no frame.
  std::uint8_t* frame = compression_ ? compressed_buffer_.get() : destination;
  // Compressed: datagrams that carried more than a header's bytes and none,
  // another format's (an empty datagram or a stray short one says nothing).
  bool headerless = false;
  const auto failed = [&] {
    if (headerless) sight_.Note(Misfit::kRawWhileCompressed);
    return false;
  };
  // Datagrams that brought nothing: as many are looked at as a compressed
  // frame's header scan looks at.
  int idle = 0;
  while (idle < kMaxHeaderRetries + 2) {
    std::uint8_t head[wire::kPieceHeaderBytes];
    const int length = PeekBeforeDeadline(head, int(sizeof head));
    if (length == SOCKET_ERROR) return failed();
    const int stored = std::min<int>(length, int(sizeof head));
    if (const auto piece = wire::ParsePieceHeader(head, stored)) {
      PieceTaken taken = PieceTaken::kDropped;
      if (Readable(*piece, length)) {
        taken = TakePiece(*piece, head, frame);
      } else {
        Discard();
      }
      if (taken == PieceTaken::kFrameWhole) return compression_ ? DecodePieces(destination) : true;
      if (taken == PieceTaken::kDropped) ++idle;
      continue;
    }
    if (compression_ && wire::ParseCompressedHeader(head, length)) {
      if (length > compressed_buffer_size_) {
        Discard();
        sight_.Note(Misfit::kPictureLarger);
        return false;
      }
      piece_frame_open_ = false;  // the datagram goes over any pieces in the buffer
      const int received = ReceiveBeforeDeadline(compressed_buffer_.get(), compressed_buffer_size_);
      if (received == SOCKET_ERROR) return failed();
      return DecodeDatagram(destination, received);
    }
    Discard();
    ++idle;
    if (compression_) {
      // Longer than any compressed frame of this picture: another format's.
      if (length > compressed_buffer_size_) {
        sight_.Note(Misfit::kRawWhileCompressed);
        return false;
      }
      headerless = headerless || length > wire::kCompressedHeaderBytes;
    } else if (LooksCompressed(head, length, -1)) {
      sight_.Note(Misfit::kCompressedWhileRaw);
    } else if (length > 0) {
      sight_.Note(Misfit::kDatagramSize, length);
    }
  }
  return failed();
}

bool FrameReceiver::DecodeDatagram(std::uint8_t* destination, int received) {
  const std::uint8_t* buffer = compressed_buffer_.get();
  const std::optional<std::uint16_t> declared = wire::ParseCompressedHeader(buffer, received);
  if (!declared) return false;
  // A length beyond what arrived would have the decoder read what an earlier
  // datagram left in the buffer: only the bytes this one carried are its payload.
  const std::int32_t carried = received - wire::kCompressedHeaderBytes;
  std::int32_t length = *declared;
  if (length > carried) length = carried;
  if (length > compressed_buffer_size_ - kPayloadMargin) length = compressed_buffer_size_ - kPayloadMargin;
  CompressedFrameSight frame;
  frame.declared = *declared;
  frame.carried = carried;
  frame.length = length;
  return Decode(buffer + wire::kCompressedHeaderBytes, length == 0, frame, destination);
}

bool FrameReceiver::Decode(const std::uint8_t* payload, bool fixedSize, CompressedFrameSight frame,
                           std::uint8_t* destination) {
  // A damaged payload still decodes up to the damage into the sample, but the
  // frame is whole only when it decoded to its end.
  frame.decoded = codec::DecompressFrame(payload, frame.length, fixedSize ? 1 : 0, destination, format_.width,
                                         format_.height, &frame.consumed);
  frame.fixedSizeBytes = std::int32_t(codec::FixedSizePayloadBytes(format_.width, format_.height));
  frame.bufferBytes = compressed_buffer_size_;
  sight_.Note(ClassifyCompressedFrame(frame));
  return frame.decoded == codec::kCodecOk;
}

bool FrameReceiver::DecodePieces(std::uint8_t* destination) {
  // The whole payload from the start of the buffer; Readable kept it at least
  // kDecoderReadsPast short of the end.
  const bool fixedSize = piece_frame_.kind == wire::PieceKind::kCompressedFixedSize;
  const auto length = std::int32_t(piece_frame_.frameBytes);
  CompressedFrameSight frame;
  frame.declared = fixedSize ? 0 : length;
  frame.carried = length;
  frame.length = length;
  frame.inPieces = true;
  return Decode(compressed_buffer_.get(), fixedSize, frame, destination);
}

bool FrameReceiver::Readable(const wire::PieceHeader& piece, int datagramBytes) {
  // A datagram of another length than its piece's share is damaged.
  if (datagramBytes != wire::kPieceHeaderBytes + wire::PieceBytes(piece.frameBytes, piece.index)) return false;
  const std::int64_t frameBytes = piece.frameBytes;
  bool fits;
  switch (piece.kind) {
    case wire::PieceKind::kRaw:
      fits = raw_pieces_ && frameBytes == format_.sampleSize;
      break;
    case wire::PieceKind::kCompressed:
      fits = compression_;
      break;
    case wire::PieceKind::kCompressedFixedSize:
      // The decoder reads exactly this picture's fixed-size payload.
      fits = compression_ && frameBytes == std::int64_t(codec::FixedSizePayloadBytes(format_.width, format_.height));
      break;
    default:
      fits = false;
  }
  // Every piece of the frame within the buffer, the decoder's reach included.
  if (fits && piece.kind != wire::PieceKind::kRaw) fits = frameBytes <= compressed_buffer_size_ - kDecoderReadsPast;
  if (!fits) NotePieceMisfit(piece);
  return fits;
}

void FrameReceiver::NotePieceMisfit(const wire::PieceHeader& piece) {
  if (piece.kind == wire::PieceKind::kRaw) {
    sight_.Note(compression_ ? Misfit::kRawWhileCompressed : Misfit::kRawFrameSize, piece.frameBytes);
  } else if (!compression_) {
    sight_.Note(Misfit::kCompressedWhileRaw);
  } else if (piece.kind == wire::PieceKind::kCompressedFixedSize &&
             piece.frameBytes < codec::FixedSizePayloadBytes(format_.width, format_.height)) {
    sight_.Note(Misfit::kPictureOther);
  } else {
    sight_.Note(Misfit::kPictureLarger);
  }
}

FrameReceiver::PieceTaken FrameReceiver::TakePiece(const wire::PieceHeader& piece, const std::uint8_t* head,
                                                   std::uint8_t* frame) {
  if (!piece_frame_open_ || piece.serial != newest_serial_) {
    // The frame just put together (or given up), and the few before it, are
    // over: their late pieces are dropped. Any other serial is a newer frame,
    // or a phone that started again, and begins a frame of its own; a frame
    // in progress is given up.
    if (serial_known_ && newest_serial_ - piece.serial <= kLatePieceSerials) {
      Discard();
      return PieceTaken::kDropped;
    }
    piece_frame_ = piece;
    piece_frame_open_ = true;
    pieces_in_ = 0;
    std::fill_n(piece_marks_.get(), std::min<std::int64_t>(piece.count, piece_marks_size_), std::uint8_t{0});
    newest_serial_ = piece.serial;
    serial_known_ = true;
  }
  const bool sameFrame = piece.kind == piece_frame_.kind && piece.level == piece_frame_.level &&
                         piece.frameBytes == piece_frame_.frameBytes;
  if (!sameFrame || piece.count > piece_marks_size_ || piece_marks_[piece.index] != 0) {
    Discard();  // a duplicate changes nothing; a piece that disagrees with its frame is damaged
    return PieceTaken::kDropped;
  }
  const std::int32_t bytes = wire::PieceBytes(piece.frameBytes, piece.index);
  std::uint8_t received[wire::kPieceHeaderBytes];
  const int length = ReceiveDatagramInTwo(socket_.Get(), received, int(sizeof received),
                                          frame + wire::PieceOffset(piece.index), bytes);
  // The datagram peeked is the one received: the socket is this thread's alone.
  if (length != wire::kPieceHeaderBytes + bytes || std::memcmp(received, head, sizeof received) != 0) {
    return PieceTaken::kDropped;
  }
  piece_marks_[piece.index] = 1;
  if (++pieces_in_ < piece.count) return PieceTaken::kPlaced;
  piece_frame_open_ = false;
  return PieceTaken::kFrameWhole;
}

}  // namespace orlin::filter
