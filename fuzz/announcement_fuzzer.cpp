// ParseAnnouncement on arbitrary datagrams. The bytes sit in a window of
// exactly their length, so a read past the datagram is an address error.
// Whatever parses is written back and parsed again: it must come back equal,
// so the writer and the parser agree on every field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/guarded_window.h"
#include "wire/announcement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orlin::fuzz::GuardedWindow window(1 << 16);
  if (size > (1 << 16)) return 0;
  std::uint8_t* datagram = window.Window(size);
  if (size > 0) std::memcpy(datagram, data, size);

  const auto parsed = orlin::wire::ParseAnnouncement(datagram, static_cast<std::int64_t>(size));
  if (!parsed) return 0;
  std::uint8_t written[orlin::wire::kAnnouncementBytes];
  orlin::wire::WriteAnnouncement(*parsed, written);
  const auto again = orlin::wire::ParseAnnouncement(written, sizeof written);
  if (!again || !(*again == *parsed)) std::abort();
  // The fields a version-1 datagram defines come back byte for byte, but for
  // flags (read as 0 or 1) and the reserved field (written as 0).
  for (int i = 0; i < orlin::wire::kAnnouncementBytes; ++i) {
    const bool flag = (i >= 28 && i < 32) || (i >= 36 && i < 40) || i >= 52;
    if (i >= 6 && i < 8) continue;
    if (!flag && written[i] != datagram[i]) std::abort();
  }
  return 0;
}
