// The receive path over loopback: a sender thread that sends frames as the
// phone does (tagged chunks, or one compressed datagram), a receiver thread
// that fills samples as the output stream does. Raw frames of 3, 8 and 10
// chunks go out at 30 a second, with a receive buffer of one chunk (before),
// of the receiver's own size (now), and of 212,992 bytes, what a stock Linux
// kernel grants at most (net.core.rmem_max), with the chunks back to back and
// paced over 8 and 16 ms as orlin-phone --pace does; the buffer asked for and
// granted and the share of frames that arrive whole are reported. Compressed frames go out as soon as the receiver waits for
// one; frames per second, the share complete, and the time from the sendto
// of a frame to the end of the fill that holds it are reported.
//
//   frame_receiver_bench [FRAMES]      (default 200 per case)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "codec/codec.h"
#include "filter/frame_receiver.h"
#include "phone/chunk_pacing.h"
#include "wire/chunk_geometry.h"
#include "wire/compressed_datagram.h"
#include "wire/four_cc.h"

namespace {

using orlin::filter::FrameReceiver;
using orlin::filter::ReceiverFormat;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Result {
  double framesPerSecond = 0;
  double completeShare = 0;
  double medianLatencyUs = 0;
  double p95LatencyUs = 0;
};

// Sends `frames` frames, each after the receiver has begun its fill for it (or
// after 100 ms, when a lost datagram keeps the previous fill waiting). `send`
// sends frame i and returns the time of its last sendto; `complete` tells
// whether a filled sample holds frame i whole.
template <typename Send, typename Complete>
Result Run(FrameReceiver& receiver, std::size_t sampleBytes, int frames, Send send, Complete complete) {
  std::atomic<int> fillsStarted{0};
  std::vector<Clock::time_point> lastSend(static_cast<std::size_t>(frames));
  std::vector<Clock::time_point> fillEnd(static_cast<std::size_t>(frames));
  std::vector<int> held(static_cast<std::size_t>(frames), -1);

  const auto start = Clock::now();
  std::thread worker([&] {
    Bytes sample(sampleBytes);
    for (int f = 0; f < frames; ++f) {
      std::fill(sample.begin(), sample.end(), 0);
      fillsStarted = f + 1;
      receiver.FillFrame(sample.data());
      fillEnd[std::size_t(f)] = Clock::now();
      held[std::size_t(f)] = complete(sample);
    }
  });
  for (int i = 0; i < frames; ++i) {
    const auto waitUntil = Clock::now() + std::chrono::milliseconds(100);
    while (fillsStarted.load() <= i && Clock::now() < waitUntil) std::this_thread::yield();
    lastSend[std::size_t(i)] = send(i);
  }
  worker.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

  Result result;
  std::vector<double> latencies;
  for (int f = 0; f < frames; ++f) {
    const int i = held[std::size_t(f)];
    if (i < 0) continue;
    latencies.push_back(
        std::chrono::duration<double, std::micro>(fillEnd[std::size_t(f)] - lastSend[std::size_t(i)]).count());
  }
  result.framesPerSecond = frames / seconds;
  result.completeShare = double(latencies.size()) / frames;
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    result.medianLatencyUs = latencies[latencies.size() / 2];
    result.p95LatencyUs = latencies[latencies.size() * 95 / 100];
  }
  return result;
}

void Print(const char* name, const Result& r) {
  std::printf("%-44s %8.1f fps  %6.1f%% complete  send->filled median %7.0f us  p95 %7.0f us\n", name,
              r.framesPerSecond, 100.0 * r.completeShare, r.medianLatencyUs, r.p95LatencyUs);
  std::fflush(stdout);
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return to;
}

// What a stock Linux kernel grants at most (net.core.rmem_max): asking for it
// here stands for asking for more there.
constexpr std::int32_t kStockReceiveBufferCap = 212992;

struct RawResult {
  int framesSent = 0;
  int framesWhole = 0;
  std::int32_t receiveBuffer = 0;
  std::int32_t granted = 0;
};

// Raw frames as the phone sends them, 30 a second, each its n chunks back to
// back or spread over `spread`; the receiver fills samples in a loop on another
// thread. A frame is whole when a sample holds all its chunks (the frame
// number opens each).
RawResult RawFrames(std::int32_t width, std::int32_t height, std::uint32_t fourCC, std::int32_t bitsPerPixel,
                    int frames, std::int32_t receiveBuffer, std::chrono::microseconds spread, SOCKET s) {
  const std::int32_t sampleBytes = width * height * bitsPerPixel / 8;
  ReceiverFormat format{width, height, fourCC, sampleBytes, false, 0, receiveBuffer};
  FrameReceiver receiver(format);
  if (receiver.Open() != S_OK) std::exit(1);
  const sockaddr_in to = Loopback(receiver.BoundPort());
  const std::uint32_t n = receiver.ChunkCount(), q = receiver.ChunkSize();
  Bytes frame(static_cast<std::size_t>(sampleBytes));
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t(i * 13);
  auto send = [&](int index) {
    const auto first = Clock::now();
    for (std::uint32_t c = 0; c < n; ++c) {
      std::this_thread::sleep_until(first + orlin::phone::ChunkDelay(std::int32_t(c), std::int32_t(n), spread));
      std::memcpy(frame.data() + c * q, &index, 4);
      std::uint8_t& last = frame[(c + 1) * q - 1];
      last = orlin::wire::TagChunkByte(last, std::int32_t(n - c));
      sendto(s, reinterpret_cast<const char*>(frame.data() + c * q), int(q), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
  };
  std::atomic<bool> stop{false};
  std::vector<char> whole(static_cast<std::size_t>(frames), 0);
  std::thread worker([&] {
    Bytes sample(frame.size());
    while (!stop.load()) {
      std::fill(sample.begin(), sample.end(), 0);
      receiver.FillFrame(sample.data());
      int index = -1;
      std::memcpy(&index, sample.data(), 4);
      bool ok = index >= 1 && index <= frames;
      for (std::uint32_t c = 1; ok && c < n; ++c) {
        int other = -2;
        std::memcpy(&other, sample.data() + c * q, 4);
        ok = other == index;
      }
      if (ok) whole[std::size_t(index - 1)] = 1;
    }
  });
  const auto start = Clock::now();
  for (int i = 1; i <= frames; ++i) {
    std::this_thread::sleep_until(start + std::chrono::microseconds(33333) * (i - 1));
    send(i);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  stop = true;
  send(frames + 1);  // ends the fill in progress (or the receive time-out does)
  worker.join();
  receiver.Close();
  RawResult result;
  result.framesSent = frames;
  result.receiveBuffer = receiver.ReceiveBufferBytes();
  result.granted = receiver.GrantedReceiveBufferBytes();
  for (char w : whole) result.framesWhole += w;
  return result;
}

void PrintRaw(const char* name, const RawResult& r) {
  std::printf("%-52s SO_RCVBUF %7d (granted %7d)  %4d of %4d frames whole (%5.1f%%)\n", name,
              r.receiveBuffer, r.granted, r.framesWhole, r.framesSent, 100.0 * r.framesWhole / r.framesSent);
  std::fflush(stdout);
}

Result CompressedYv12(int frames, int level, const Bytes& picture, SOCKET s) {
  ReceiverFormat format{320, 240, orlin::wire::kFourCC_IYUV, 115200, true, 0, 0};
  FrameReceiver receiver(format);
  if (receiver.Open() != S_OK || !receiver.Compression()) std::exit(1);
  const sockaddr_in to = Loopback(receiver.BoundPort());
  using namespace orlin::wire;
  Bytes datagram(kMaxChunkBytes);
  std::int32_t length = kMaxCompressedPayloadBytes;
  orlin::codec::CompressFrame(picture.data(), 320, 240, level,
                              datagram.data() + kCompressedHeaderBytes, &length);
  datagram.resize(std::size_t(length) + kCompressedHeaderBytes);
  const std::int32_t field = level < 3 ? length : 0;
  WriteCompressedHeader(datagram.data(), field);
  Bytes expected(115200, 0);
  Bytes payload(datagram.begin() + kCompressedHeaderBytes, datagram.end());
  payload.resize(payload.size() + 2 + 115200);
  orlin::codec::DecompressFrame(payload.data(), field, field == 0, expected.data(), 320, 240);

  // Every frame is the same picture: a fill that decoded one holds it whole.
  std::atomic<int> lastSent{-1};
  auto send = [&](int index) {
    lastSent = index;
    const auto sent = Clock::now();
    sendto(s, reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent;
  };
  auto complete = [&](const Bytes& sample) { return sample == expected ? lastSent.load() : -1; };
  const Result result = Run(receiver, 115200, frames, send, complete);
  std::printf("  (level %d: %zu-byte datagram)\n", level, datagram.size());
  receiver.Close();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  orlin::WinsockSession winsock;
  if (winsock.Start() != 0) return 1;
  orlin::SocketHandle sender(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (!sender.Valid()) return 1;

  // Raw frames at 30 a second: the receive buffer of one chunk (as before)
  // against the receiver's own choice (now), and under a stock kernel's cap,
  // back to back and paced.
  struct RawCase {
    const char* name;
    std::int32_t width, height;
    std::uint32_t fourCC;
    std::int32_t bitsPerPixel;
    std::int32_t chunkBytes;
  };
  const RawCase raws[] = {
      {"320x240 YUY2 raw (3 x 51200)", 320, 240, orlin::wire::kFourCC_YUY2, 16, 51200},
      {"640x480 I420 raw (8 x 57600)", 640, 480, orlin::wire::kFourCC_I420, 12, 57600},
      {"640x480 YUY2 raw (10 x 61440)", 640, 480, orlin::wire::kFourCC_YUY2, 16, 61440},
  };
  struct BufferCase {
    const char* name;
    bool oneChunk;
    std::int32_t bytes;  // 0: the receiver's own
    int spreadMs;
  };
  const BufferCase buffers[] = {
      {"before", true, 0, 0},
      {"now", false, 0, 0},
      {"stock cap", false, kStockReceiveBufferCap, 0},
      {"stock cap, paced 8 ms", false, kStockReceiveBufferCap, 8},
      {"stock cap, paced 16 ms", false, kStockReceiveBufferCap, 16},
  };
  for (const RawCase& c : raws) {
    for (const BufferCase& b : buffers) {
      const std::string name = std::string(c.name) + ", " + b.name;
      PrintRaw(name.c_str(), RawFrames(c.width, c.height, c.fourCC, c.bitsPerPixel, frames,
                                       b.oneChunk ? c.chunkBytes : b.bytes,
                                       std::chrono::milliseconds(b.spreadMs), sender.Get()));
    }
  }

  std::ifstream in(std::string(ORLIN_BENCH_DATA_DIR) + "/coffee_320x240.yv12", std::ios::binary);
  Bytes picture(115200);
  in.read(reinterpret_cast<char*>(picture.data()), std::streamsize(picture.size()));
  if (!in) return 1;
  for (int level = 0; level <= 3; ++level) {
    char name[64];
    std::snprintf(name, sizeof name, "320x240 YV12 compressed, level %d", level);
    Print(name, CompressedYv12(frames, level, picture, sender.Get()));
  }
  return 0;
}
