// The receiver's fill fed arbitrary datagram sequences for an arbitrary format.
// The datagrams come from the input through this program's own receive calls
// (ReceiveDatagram, PeekDatagram, ReceiveDatagramInTwo), which take the place
// of the network ones at link time (the platform library is a static archive,
// so its definitions are never pulled in): the receiver's code runs unchanged,
// on a real socket that simply never receives.
//
// Input: FourCC choice (bit 3: a large picture, 1024 to 1443 by 600 to 1019,
// whose raw frames and compressed payloads go in pieces), width, height,
// bits-per-pixel choice, compression, then datagrams as a 16-bit length and
// its bytes. A length of 0xFFFF stands for a receive that times out; 0xFFFE
// for a long datagram given briefly, as the pieces of a large raw frame are: a
// 16-bit length, an 8-bit count of bytes given, those bytes, the rest made up
// (byte i is i mod 256). A datagram longer than the buffer fails the receive
// with the part that fits stored, as on a real socket.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "filter/frame_receiver.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_window.h"
#include "orlin/receive_datagram.h"
#include "wire/four_cc.h"

namespace {

orlin::fuzz::Input* g_datagrams = nullptr;

constexpr std::uint16_t kTimeOut = 0xFFFF;
constexpr std::uint16_t kBrief = 0xFFFE;
constexpr int kLargeWidth = 1024, kLargeHeight = 600;

// The next datagram of the input; nothing when the input has ended or a
// time-out stands there.
struct Datagram {
  std::size_t length = 0;
  const std::uint8_t* given = nullptr;
  std::size_t givenCount = 0;
  std::uint8_t At(std::size_t i) const { return i < givenCount ? given[i] : std::uint8_t(i); }
  void CopyTo(std::uint8_t* to, std::size_t from, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) to[i] = At(from + i);
  }
};

bool Next(orlin::fuzz::Input& in, Datagram* datagram) {
  if (in.Remaining() < 2) return false;
  const std::uint16_t size = in.Take16();
  if (size == kTimeOut) return false;
  if (size == kBrief) {
    datagram->length = in.Take16();
    datagram->given = in.Take(in.Take8(), &datagram->givenCount);
    if (datagram->givenCount > datagram->length) datagram->givenCount = datagram->length;
  } else {
    datagram->given = in.Take(size, &datagram->givenCount);
    datagram->length = datagram->givenCount;
  }
  return true;
}

int TimedOut() {
  errno = ETIMEDOUT;
  return SOCKET_ERROR;
}

// Takes the next datagram into the parts, in turn; EMSGSIZE when it is longer.
int ReceiveInParts(std::uint8_t* const* parts, const int* lengths, int count) {
  Datagram datagram;
  if (g_datagrams == nullptr || !Next(*g_datagrams, &datagram)) return TimedOut();
  std::size_t at = 0;
  for (int i = 0; i < count && at < datagram.length; ++i) {
    const std::size_t n = std::min(std::size_t(lengths[i]), datagram.length - at);
    datagram.CopyTo(parts[i], at, n);
    at += n;
  }
  if (at < datagram.length) {
    errno = EMSGSIZE;
    return SOCKET_ERROR;
  }
  return int(datagram.length);
}

}  // namespace

namespace orlin {

int ReceiveDatagram(SOCKET, void* buffer, int length) {
  if (length < 0) return TimedOut();
  std::uint8_t* parts[] = {static_cast<std::uint8_t*>(buffer)};
  return ReceiveInParts(parts, &length, 1);
}

int ReceiveDatagramInTwo(SOCKET, void* head, int headLength, void* body, int bodyLength) {
  if (headLength < 0 || bodyLength < 0) return TimedOut();
  std::uint8_t* parts[] = {static_cast<std::uint8_t*>(head), static_cast<std::uint8_t*>(body)};
  const int lengths[] = {headLength, bodyLength};
  return ReceiveInParts(parts, lengths, 2);
}

// Every datagram comes from 127.0.0.1 (the fuzzed receivers accept any sender).
int PeekDatagram(SOCKET, void* buffer, int length, sockaddr_in* from) {
  if (g_datagrams == nullptr || length < 0) return TimedOut();
  if (from != nullptr) {
    *from = {};
    from->sin_family = AF_INET;
    from->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  orlin::fuzz::Input ahead = *g_datagrams;  // left where it is
  Datagram datagram;
  if (!Next(ahead, &datagram)) return TimedOut();
  datagram.CopyTo(static_cast<std::uint8_t*>(buffer), 0, std::min(std::size_t(length), datagram.length));
  return int(datagram.length);
}

}  // namespace orlin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orlin::filter;
  using namespace orlin::wire;
  using orlin::settings::kFilterDefaults;
  using orlin::settings::VideoFormatSettings;
  orlin::fuzz::Input in(data, size);
  static const std::uint32_t kFourCCs[] = {kFourCC_IYUV, kFourCC_I420, kFourCC_YUY2, 0 /* RGB */};
  const std::uint8_t fourCC = in.Take8();
  static const std::uint32_t kBits[] = {12, 16, 24, 32, 8, 4, 1, 0};
  const std::uint8_t bits = in.Take8();

  VideoFormatSettings settings = kFilterDefaults;
  settings.FourCC = (fourCC & 4) != 0 ? in.Take32() : kFourCCs[fourCC & 3];
  const bool large = (fourCC & 8) != 0;
  settings.Width = in.Take16() % 420 + (large ? kLargeWidth : 0);
  settings.Height = in.Take16() % 420 + (large ? kLargeHeight : 0);
  settings.BitsPerPixel = kBits[bits & 7];
  settings.Compression = in.Take8() & 1;

  ReceiverFormat format = ReceiverFormatOf(settings);
  format.port = 0;  // any free port: the socket is real, its datagrams are not
  format.announcementPort = 0;  // nothing to listen for
  FrameReceiver receiver(format);
  if (receiver.Open() != S_OK) return 0;

  // The output sample, exactly S bytes.
  static orlin::fuzz::GuardedWindow samples(std::size_t(420 + kLargeWidth) * (420 + kLargeHeight) * 4);
  std::uint8_t* sample = samples.Window(std::size_t(format.sampleSize));
  g_datagrams = &in;
  for (int frame = 0; frame < 4 && in.Remaining() >= 2; ++frame) receiver.FillFrame(sample);
  g_datagrams = nullptr;
  receiver.Close();
  return 0;
}
