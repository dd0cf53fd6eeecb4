// The receiver's fill fed arbitrary datagram sequences for an arbitrary format.
// The datagrams come from the input through this program's own ReceiveDatagram,
// which takes the place of the network one at link time (the platform library
// is a static archive, so its definition is never pulled in): the receiver's
// code runs unchanged, on a real socket that simply never receives.
//
// Input: FourCC choice, width, height, bits-per-pixel choice, compression, then
// datagrams as a 16-bit length and its bytes. A length of 0xFFFF stands for a
// receive that times out; a datagram longer than the buffer fails the receive
// with the part that fits stored, as on a real socket.
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

}  // namespace

namespace orlin {

int ReceiveDatagram(SOCKET, void* buffer, int length) {
  if (g_datagrams == nullptr || g_datagrams->Remaining() < 2 || length < 0) {
    errno = ETIMEDOUT;
    return SOCKET_ERROR;
  }
  const std::uint16_t size = g_datagrams->Take16();
  if (size == 0xFFFF) {
    errno = ETIMEDOUT;
    return SOCKET_ERROR;
  }
  std::size_t taken = 0;
  const std::uint8_t* bytes = g_datagrams->Take(size, &taken);
  const std::size_t stored = taken < std::size_t(length) ? taken : std::size_t(length);
  if (stored > 0) std::memcpy(buffer, bytes, stored);
  if (taken > std::size_t(length)) {
    errno = EMSGSIZE;
    return SOCKET_ERROR;
  }
  return int(taken);
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
  settings.Width = in.Take16() % 420;
  settings.Height = in.Take16() % 420;
  settings.BitsPerPixel = kBits[bits & 7];
  settings.Compression = in.Take8() & 1;

  ReceiverFormat format = ReceiverFormatOf(settings);
  format.port = 0;  // any free port: the socket is real, its datagrams are not
  format.announcementPort = 0;  // nothing to listen for
  FrameReceiver receiver(format);
  if (receiver.Open() != S_OK) return 0;

  // The output sample, exactly S bytes.
  static orlin::fuzz::GuardedWindow samples(std::size_t(420) * 420 * 4);
  std::uint8_t* sample = samples.Window(std::size_t(format.sampleSize));
  g_datagrams = &in;
  for (int frame = 0; frame < 4 && in.Remaining() >= 2; ++frame) receiver.FillFrame(sample);
  g_datagrams = nullptr;
  receiver.Close();
  return 0;
}
