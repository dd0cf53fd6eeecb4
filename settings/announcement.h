// The PC's side of the phone's format announcement: a socket that listens for
// it, and the video format settings that receive the stream it announces.
// The setup tool's Detect saves those settings; the filter compares them with
// its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "orlin/winsock.h"
#include "settings/sender_tally.h"
#include "settings/video_format_settings.h"
#include "wire/announcement.h"

namespace orlin::settings {

// The settings that show the announced stream: the phone's format, with the
// PC FourCC and SwapUV the announcement names, PixelCorrection as the phone
// has it (the PC's exchange undoes the phone's), then the derived rules.
VideoFormatSettings SettingsToReceive(const wire::Announcement& announcement);

class AnnouncementListener {
 public:
  AnnouncementListener() = default;
  AnnouncementListener(const AnnouncementListener&) = delete;
  AnnouncementListener& operator=(const AnnouncementListener&) = delete;

  // Binds `port` on every local address, shared (0: a port the system picks,
  // for tests). Empty on success, else what failed, in words naming the port.
  std::basic_string<WCHAR> Open(std::uint16_t port = wire::kAnnouncementPort);
  bool IsOpen() const { return socket_.Valid(); }
  std::uint16_t BoundPort() const;

  // The next announcement within `timeoutMs` (0: only one already waiting,
  // without waiting);
  // datagrams that are not one are passed over. Nothing when none came or the
  // listener is not open.
  std::optional<wire::Announcement> Receive(DWORD timeoutMs);

  // The newest announcement already waiting, reading all that wait; nothing
  // when none waits. For a caller that polls between other work.
  std::optional<wire::Announcement> Latest();

  // Takes datagrams from this IPv4 address (network order) alone, dropping
  // the others unread; nothing: from any sender (the default).
  void AcceptOnlyFrom(std::optional<std::uint32_t> address) { accept_from_ = address; }
  // Counts each datagram dropped for its sender in `tally` too (the filter's
  // one for its whole stream); null: not at all. The tally must outlive the
  // listener's receives.
  void CountForeignIn(SenderTally* tally) { tally_ = tally; }
  // The IPv4 address (network order) the announcement Receive or Latest
  // returned last came from; nothing before the first.
  std::optional<std::uint32_t> LastSender() const { return last_sender_; }

  void Close();

 private:
  WinsockSession winsock_;
  SocketHandle socket_;
  std::optional<std::uint32_t> accept_from_;
  std::optional<std::uint32_t> last_sender_;
  SenderTally* tally_ = nullptr;
};

}  // namespace orlin::settings
