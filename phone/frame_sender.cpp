// FrameSender: construction, settings and the detected-format list.
#include "phone/frame_sender.h"

#include <cstring>
#include <utility>

#include "phone/sample_grabber_pin.h"

namespace orlin::phone {
namespace {

constexpr WCHAR kNotConnected[] = ORLIN_TEXT("<not connected>");
constexpr WCHAR kApplicationTitle[] = ORLIN_TEXT("Orlin");

// Copies at most `capacity` - 1 units and terminates.
void CopyText(WCHAR* target, int capacity, LPCWSTR source) {
  int i = 0;
  if (source != nullptr) {
    for (; i < capacity - 1 && source[i] != 0; ++i) target[i] = source[i];
  }
  target[i] = 0;
}

}  // namespace

FrameSender::FrameSender()
    : pin_(std::make_unique<SampleGrabberPin>(*this)), message_caption_(kApplicationTitle) {
  CopyText(address_text_, kAddressChars, kNotConnected);
  const auto now = static_cast<std::uint64_t>(
      std::chrono::system_clock::now().time_since_epoch().count() ^
      std::chrono::steady_clock::now().time_since_epoch().count());
  piece_serial_ = static_cast<std::uint32_t>((now ^ (now >> 32)) * 2654435761u);
}

FrameSender::~FrameSender() { CloseNetwork(); }

IPin* FrameSender::InputPin() { return pin_.get(); }

void FrameSender::SetFormat(const VideoFormat& format) {
  std::lock_guard<std::mutex> guard(send_lock_);
  format_ = format;
}

void FrameSender::SetDestinationAddress(LPCWSTR address) {
  std::lock_guard<std::mutex> guard(send_lock_);
  CopyText(destination_address_, kAddressChars, address);
}

std::uint16_t FrameSender::DestinationPort() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return destination_port_;
}

void FrameSender::SetDestinationPort(std::uint16_t port) {
  std::lock_guard<std::mutex> guard(send_lock_);
  destination_port_ = port;
  if (destination_resolved_) destination_.sin_port = htons(port);
}

void FrameSender::SetCodecRequest(std::int32_t compression, std::int32_t pixelCorrection,
                                  std::int32_t numReductions) {
  std::lock_guard<std::mutex> guard(send_lock_);
  compression_requested_ = compression != 0 ? 1 : 0;
  compression_ = compression_requested_;
  pixel_correction_ = pixelCorrection;
  num_reductions_ = numReductions;
}

void FrameSender::SetSampleSize(std::int32_t sampleSize) {
  std::lock_guard<std::mutex> guard(send_lock_);
  sample_size_ = sampleSize;
}

void FrameSender::SetTypeDetails(std::uint32_t bitsPerPixel, std::uint64_t frameInterval) {
  std::lock_guard<std::mutex> guard(send_lock_);
  bits_per_pixel_ = bitsPerPixel;
  frame_interval_ = frameInterval;
}

std::uint16_t FrameSender::AnnouncementPort() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return announcement_port_;
}

void FrameSender::SetAnnouncementPort(std::uint16_t port) {
  std::lock_guard<std::mutex> guard(send_lock_);
  announcement_port_ = port;
  announcement_due_ = true;
}

void FrameSender::SetClock(Clock clock) {
  std::lock_guard<std::mutex> guard(send_lock_);
  clock_ = std::move(clock);
}

void FrameSender::SetChunkSpread(std::chrono::microseconds spread) {
  std::lock_guard<std::mutex> guard(send_lock_);
  chunk_spread_ = spread.count() > 0 ? spread : std::chrono::microseconds(0);
}

void FrameSender::SetPiecePacing(const PiecePacing& pacing) {
  std::lock_guard<std::mutex> guard(send_lock_);
  piece_pacing_ = pacing;
}

PiecePacing FrameSender::GetPiecePacing() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return piece_pacing_;
}

std::chrono::microseconds FrameSender::ChunkSpread() const {
  std::lock_guard<std::mutex> guard(send_lock_);
  return chunk_spread_;
}

void FrameSender::SetMessageOwner(HWND owner, LPCWSTR caption) {
  message_owner_ = owner;
  message_caption_ = caption != nullptr ? caption : kApplicationTitle;
}

void FrameSender::ShowError(LPCWSTR text) const {
  ShowMessage(message_owner_, text, message_caption_, MB_OK | MB_ICONERROR);
}

void FrameSender::AttachFormatList(VideoFormat* buffer) {
  format_list_ = buffer;
  format_count_ = 0;
}

int FrameSender::AddDetectedFormat(std::uint32_t fourCC, std::uint16_t width,
                                   std::uint16_t height) {
  if (format_list_ == nullptr) return -1;
  if (format_count_ >= kMaxVideoFormats) return -2;
  VideoFormat& entry = format_list_[format_count_++];
  entry.FourCC = fourCC;
  entry.Width = width;
  entry.Height = height;
  return 0;
}

HRESULT FrameSender::GetDetectedFormat(int index, VideoFormat* format) const {
  if (format == nullptr) return E_POINTER;
  if (format_list_ == nullptr || index < 0 || index >= format_count_) return E_INVALIDARG;
  *format = format_list_[index];
  return S_OK;
}

}  // namespace orlin::phone
