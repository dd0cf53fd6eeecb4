// FrameSender: the format announcement beside the stream. It goes out on the
// streaming thread, from a datagram buffer the sender owns, before the frame
// it comes with; a send that fails is lost like any other and never touches
// the frame or its counts.
#include <chrono>

#include "phone/frame_sender.h"

namespace orlin::phone {
namespace {

// Repeated this often while nothing changes, for a PC that starts listening
// later or lost one.
constexpr std::chrono::seconds kAnnouncementPeriod{1};

}  // namespace

wire::Announcement FrameSender::CurrentAnnouncement() const {
  wire::Announcement a;
  a.fourCC = format_.FourCC;
  a.width = format_.Width;
  a.height = format_.Height;
  a.bitsPerPixel = bits_per_pixel_;
  a.sampleSize = sample_size_ > 0 ? static_cast<std::uint32_t>(sample_size_) : 0;
  a.compression = compression_ != 0 ? 1 : 0;
  a.level = static_cast<std::uint32_t>(num_reductions_);
  a.pixelCorrection = pixel_correction_ != 0 ? 1 : 0;
  a.frameInterval = frame_interval_;
  const wire::PcReception pc = wire::PcReceptionOf(format_.FourCC, compression_ != 0);
  a.pcFourCC = pc.fourCC;
  a.pcSwapUV = pc.swapUV;
  return a;
}

void FrameSender::AnnounceIfDue() {
  if (announcement_port_ == 0) return;
  const wire::Announcement now = CurrentAnnouncement();
  const auto time = clock_ ? clock_() : std::chrono::steady_clock::now();
  if (!announcement_due_ && now == last_announced_ &&
      time - last_announced_at_ < kAnnouncementPeriod) {
    return;
  }
  wire::WriteAnnouncement(now, announcement_datagram_);
  sockaddr_in to = destination_;
  to.sin_port = htons(announcement_port_);
  const int sent = sendto(socket_.Get(), reinterpret_cast<const char*>(announcement_datagram_),
                          wire::kAnnouncementBytes, 0, reinterpret_cast<const sockaddr*>(&to),
                          sizeof to);
  if (sent == wire::kAnnouncementBytes) ++announcements_sent_;
  // A failed send is not retried before the next period: the stream must not
  // pay for a PC side that cannot be reached.
  announcement_due_ = false;
  last_announced_ = now;
  last_announced_at_ = time;
}

}  // namespace orlin::phone
