// The phone's frame sender: owns the UDP socket, the destination, the current
// video format, the codec settings and the compression buffer, and turns every
// frame the camera hands its pin into the datagrams of the stream to the PC's
// stream port.
// To the camera it is also the filter that owns the pin (a stub IBaseFilter).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "orlin/dshow.h"
#include "orlin/filter_face.h"
#include "orlin/message_box.h"
#include "orlin/winsock.h"
#include "phone/chunk_pacing.h"
#include "phone/video_format.h"
#include "wire/announcement.h"
#include "wire/frame_piece.h"
#include "wire/stream.h"

namespace orlin::phone {

class SampleGrabberPin;

class FrameSender final : public FilterFace {
 public:
  // Address and text buffers: 32 UTF-16 units including the terminator.
  static constexpr int kAddressChars = 32;

  FrameSender();
  // The caller closes the network first; a socket still open is closed here.
  ~FrameSender();
  FrameSender(const FrameSender&) = delete;
  FrameSender& operator=(const FrameSender&) = delete;

  // The input pin the camera's capture pin connects to.
  IPin* InputPin();

  // --- Settings (set by the capture start and the settings store) ---
  VideoFormat Format() const { return format_; }
  void SetFormat(const VideoFormat& format);
  LPCWSTR DestinationAddress() const { return destination_address_; }
  // Keeps at most 31 units; ResolveDestination makes it take effect.
  void SetDestinationAddress(LPCWSTR address);
  // The PC's UDP port, the stream port unless set (tests set ports of their
  // own). Takes effect at once, for a destination already resolved too.
  std::uint16_t DestinationPort() const;
  void SetDestinationPort(std::uint16_t port);
  // Dotted form of the resolved address, "<not connected>" until one resolves.
  LPCWSTR AddressText() const { return address_text_; }
  // Whether a destination ever resolved: frames are sent only then.
  bool DestinationResolved() const;
  // The stored codec settings, as requested: the next connection decides what is
  // in force. Use ApplyCodecSettings while connected.
  void SetCodecRequest(std::int32_t compression, std::int32_t pixelCorrection,
                       std::int32_t numReductions);
  std::int32_t Compression() const { return compression_; }  // in force
  // What the user asked for; every connection puts it in force where the
  // format allows, so a format that cannot be compressed does not lose it.
  std::int32_t CompressionRequested() const { return compression_requested_; }
  std::int32_t PixelCorrection() const { return pixel_correction_; }
  std::int32_t NumReductions() const { return num_reductions_; }
  bool SendLength() const { return send_length_ != 0; }
  bool Detecting() const { return detecting_ != 0; }
  void SetDetecting(bool detecting) { detecting_ = detecting ? 1 : 0; }
  std::int32_t SampleSize() const { return sample_size_; }
  void SetSampleSize(std::int32_t sampleSize);
  // What the connected media type says beside the sample size: bits per pixel
  // and the frame interval in 100 ns units (0: the camera did not say).
  void SetTypeDetails(std::uint32_t bitsPerPixel, std::uint64_t frameInterval);
  // The UDP port of the destination that the format announcement goes to;
  // 0 sends none (tests that count datagrams on a port of their own).
  std::uint16_t AnnouncementPort() const;
  void SetAnnouncementPort(std::uint16_t port);
  // The time the announcement's once-a-second repetition is measured by;
  // the steady clock unless set (tests drive it).
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  void SetClock(Clock clock);
  std::int32_t ChunkCount() const { return chunk_count_; }
  std::int32_t ChunkSize() const { return chunk_size_; }
  // Spreads each raw frame's chunks over this time (see chunk_pacing.h); 0, the
  // default, sends them back to back. Keep it below the frame interval.
  void SetChunkSpread(std::chrono::microseconds spread);
  std::chrono::microseconds ChunkSpread() const;
  // How the pieces of a large frame leave (see chunk_pacing.h); paced by
  // default. A gap of 0 sends them back to back. The send buffer follows the
  // burst at the next SizeSendBuffers (set it before OpenNetwork).
  void SetPiecePacing(const PiecePacing& pacing);
  PiecePacing GetPiecePacing() const;
  // Owner window and caption of the messages the sender shows.
  void SetMessageOwner(HWND owner, LPCWSTR caption);

  // --- Operations ---
  HRESULT OpenNetwork();
  bool NetworkOpen() const;
  HRESULT ResolveDestination();
  void SizeSendBuffers();
  void ApplyConnectedFormat();
  // Makes these the request, and returns the Compression now in force (1 or 0).
  std::int32_t ApplyCodecSettings(std::int32_t compression, std::int32_t pixelCorrection,
                                  std::int32_t numReductions);
  HRESULT SendSample(IMediaSample* sample);
  void AttachFormatList(VideoFormat* buffer);
  // 0 when appended, -1 with no list attached, -2 when the list is full.
  int AddDetectedFormat(std::uint32_t fourCC, std::uint16_t width, std::uint16_t height);
  HRESULT GetDetectedFormat(int index, VideoFormat* format) const;
  int DetectedFormatCount() const { return format_count_; }
  void CloseNetwork();
  // Since this sender was made (for the headless summary): frames that went
  // out whole, frames of which the network refused a datagram, and the bytes
  // of all datagrams that the network took.
  std::uint64_t FramesSent() const { return frames_sent_.load(std::memory_order_relaxed); }
  std::uint64_t FramesFailed() const { return frames_failed_.load(std::memory_order_relaxed); }
  std::uint64_t BytesSent() const { return bytes_sent_.load(std::memory_order_relaxed); }
  // Frames too large for the stream's other forms that went out whole in
  // pieces (wire/frame_piece.h); only a PC that reads large frames shows them.
  std::uint64_t FramesInPieces() const {
    return frames_in_pieces_.load(std::memory_order_relaxed);
  }
  // Announcements the network took (for tests and diagnostics).
  std::uint64_t AnnouncementsSent() const {
    return announcements_sent_.load(std::memory_order_relaxed);
  }

  // --- IUnknown: the sender is owned by the capture, not by references ---
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // --- IMediaFilter: no clock; the camera stamps and paces nothing against one ---
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override {
    if (clock == nullptr) return E_POINTER;
    *clock = nullptr;
    return S_OK;
  }

 private:
  // Bytes of compression buffer the current format needs (header included).
  std::int32_t CompressBufferBytes() const;
  // True when the current format can be compressed at all.
  bool FormatCompressible() const;
  // Makes the compression buffer hold `bytes`: an existing buffer that is large
  // enough stays, a smaller one is replaced. False when allocation failed.
  bool EnsureCompressBuffer(std::int32_t bytes);
  void ComputeChunks();
  void ApplySendBufferSize();
  void ShowError(LPCWSTR text) const;
  // Each returns the bytes of the datagrams it sends (or tries to): the frame
  // went out when the network took all of them.
  std::int64_t SendCompressed(const BYTE* frame, const sockaddr_in& destination, bool* inPieces);
  // The frame's `frameBytes` as pieces of one serial, paced, each a header
  // and a slice of the frame in one gathered datagram; 0 when the frame has
  // no bytes or more than the header can count.
  std::int64_t SendPieces(const BYTE* frame, std::int64_t frameBytes, wire::PieceKind kind,
                          std::uint8_t level, const sockaddr_in& destination);
  // Whether frames of the format in force can go out in pieces.
  bool FramesMayGoInPieces() const;
  void SendChunks(BYTE* frame, const sockaddr_in& destination);
  // The announcement of what is in force now.
  wire::Announcement CurrentAnnouncement() const;
  // Sends the announcement when it is due: after a start, after a change of
  // what it says, or a second after the last one. Holds send_lock_.
  void AnnounceIfDue();

  std::unique_ptr<SampleGrabberPin> pin_;

  // Written by the user-interface thread only, and then under send_lock_; the
  // streaming thread reads them while it holds send_lock_ for a whole frame. So a
  // frame never sees a half-applied setting, and a compression buffer that is
  // replaced is freed only once no frame can be using it.
  mutable std::mutex send_lock_;
  VideoFormat format_;
  WCHAR destination_address_[kAddressChars] = {};
  std::int32_t compression_requested_ = 1;
  std::int32_t compression_ = 1;
  std::int32_t pixel_correction_ = 0;
  std::int32_t num_reductions_ = 2;
  std::int32_t detecting_ = 0;
  WinsockSession winsock_;
  SocketHandle socket_;
  std::uint16_t destination_port_ = wire::kStreamPort;
  sockaddr_in destination_{};
  bool destination_resolved_ = false;
  WCHAR address_text_[kAddressChars] = {};
  VideoFormat* format_list_ = nullptr;
  int format_count_ = 0;
  std::int32_t sample_size_ = 0;
  std::int32_t chunk_count_ = 0;
  std::int32_t chunk_size_ = 0;
  std::unique_ptr<BYTE[]> compress_buffer_;
  std::int32_t compress_buffer_size_ = 0;
  std::int32_t swap_count_ = 0;
  std::int32_t send_length_ = 0;
  std::chrono::microseconds chunk_spread_{0};
  PiecePacing piece_pacing_ = kDefaultPiecePacing;
  // The next frame in pieces takes this serial; it starts where a sender made
  // before it is unlikely to have been, so that the PC never takes a new
  // sender's first frames for stragglers of the last one.
  std::uint32_t piece_serial_ = 0;
  std::uint8_t piece_header_[wire::kPieceHeaderBytes] = {};
  std::atomic<std::uint64_t> frames_sent_{0};
  std::atomic<std::uint64_t> frames_failed_{0};
  std::atomic<std::uint64_t> bytes_sent_{0};
  std::atomic<std::uint64_t> frames_in_pieces_{0};
  std::atomic<std::uint64_t> announcements_sent_{0};

  std::uint32_t bits_per_pixel_ = 0;
  std::uint64_t frame_interval_ = 0;
  std::uint16_t announcement_port_ = wire::kAnnouncementPort;
  Clock clock_;
  // Set by a start or a new connection: the next frame announces.
  bool announcement_due_ = true;
  wire::Announcement last_announced_;
  std::chrono::steady_clock::time_point last_announced_at_;
  std::uint8_t announcement_datagram_[wire::kAnnouncementBytes] = {};

  HWND message_owner_ = nullptr;
  LPCWSTR message_caption_;
};

}  // namespace orlin::phone
