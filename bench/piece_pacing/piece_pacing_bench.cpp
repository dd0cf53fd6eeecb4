// piece_pacing_bench: frames in pieces that a receiver with the system's
// default receive buffer gets whole, and how late, for a choice of pacings.
// FrameSender sends 1920x1080 raw and 1280x720 / 1920x1080 compressed frames
// at 30 a second to a 127.0.0.1 port of its own; a plain receive loop on
// another thread reads it without asking for a larger buffer, as a PC on a
// stock kernel does (net.core.rmem_default, 212,992 bytes, is also the stock
// net.core.rmem_max).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codec/codec.h"
#include "orlin/dshow.h"
#include "orlin/receive_datagram.h"
#include "orlin/winsock.h"
#include "phone/cameras/frame_sample.h"
#include "phone/chunk_pacing.h"
#include "phone/frame_sender.h"
#include "wire/four_cc.h"
#include "wire/frame_piece.h"

namespace {

using Clock = std::chrono::steady_clock;
using orlin::phone::PiecePacing;

constexpr const char* kUsage =
    "usage: piece_pacing_bench [--frames N] [--noise A] [--pacing B/G[/S],...]\n"
    "Sends N frames (default 150) at 30 a second of each case (1920x1080 YV12 raw,\n"
    "1280x720 and 1920x1080 YV12 compressed at level 0) in pieces to a receiver with\n"
    "the default receive buffer, once per pacing: B pieces at once, then one every\n"
    "G microseconds, the last at most S microseconds after the first (0/0: back to\n"
    "back). Prints frames whole, and the median and 99th percentile of the spread\n"
    "(first piece received to last) and the delay (frame handed over to last piece\n"
    "received; compressed frames include the encoding, printed beside).\n"
    "  --noise A  luma noise of +-A on the pictures, scaled up from 640x480 (default 4)\n";

// What arrived of one frame.
struct Arrival {
  std::int64_t pieces = 0;
  std::int64_t count = 0;
  Clock::time_point first;
  Clock::time_point last;
};

// A plain receive loop with the default receive buffer, keeping what arrived
// of each serial.
class PieceReceiver {
 public:
  PieceReceiver() {
    winsock_.Start();
    socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    orlin::SetReceiveTimeout(socket_.Get(), 50);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bound_ = bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
             getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
    port_ = ntohs(address.sin_port);
    if (bound_) thread_ = std::thread([this] { Run(); });
  }
  ~PieceReceiver() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Bound() const { return bound_; }
  std::uint16_t Port() const { return port_; }
  // The buffer as the system keeps it (on Linux twice what a program asks for).
  int BufferBytes() const {
    int bytes = 0;
    socklen_t length = sizeof bytes;
    getsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&bytes), &length);
    return bytes;
  }
  std::map<std::uint32_t, Arrival> Take() {
    std::lock_guard<std::mutex> guard(lock_);
    std::map<std::uint32_t, Arrival> taken;
    taken.swap(arrivals_);
    return taken;
  }

 private:
  void Run() {
    std::vector<std::uint8_t> buffer(65536);
    while (!stop_) {
      const int received = orlin::ReceiveDatagram(socket_.Get(), buffer.data(), 65536);
      if (received < 0) continue;
      const auto now = Clock::now();
      const auto header = orlin::wire::ParsePieceHeader(buffer.data(), received);
      if (!header) continue;
      std::lock_guard<std::mutex> guard(lock_);
      Arrival& a = arrivals_[header->serial];
      if (a.pieces++ == 0) a.first = now;
      a.count = header->count;
      a.last = now;
    }
  }
  orlin::WinsockSession winsock_;
  orlin::SocketHandle socket_;
  bool bound_ = false;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::map<std::uint32_t, Arrival> arrivals_;
  std::thread thread_;
};

std::vector<BYTE> ReadPicture(const std::string& name) {
  const std::string path = std::string(ORLIN_BENCH_DATA_DIR) + "/" + name + "_640x480.yv12";
  std::ifstream file(path, std::ios::binary);
  std::vector<BYTE> frame((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (frame.size() != 640u * 480 * 3 / 2) {
    std::fprintf(stderr, "piece_pacing_bench: cannot read %s\n", path.c_str());
    std::exit(1);
  }
  return frame;
}

// The 640x480 picture scaled to W x H (nearest sample, plane by plane), with
// luma noise of +-noise, the grain of a real camera that makes payloads large.
std::vector<BYTE> ScaledPicture(const std::vector<BYTE>& source, int width, int height, int noise) {
  std::vector<BYTE> frame(static_cast<std::size_t>(width) * height * 3 / 2);
  const struct {
    int w, h;
    std::size_t from, to;
  } planes[] = {{640, 480, 0, 0},
                {320, 240, 640 * 480, static_cast<std::size_t>(width) * height},
                {320, 240, 640 * 480 * 5 / 4, static_cast<std::size_t>(width) * height * 5 / 4}};
  std::uint32_t state = 2463534242u;
  for (int p = 0; p < 3; ++p) {
    const int w = p == 0 ? width : width / 2;
    const int h = p == 0 ? height : height / 2;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int value = source[planes[p].from + static_cast<std::size_t>(y * planes[p].h / h) * planes[p].w +
                           static_cast<std::size_t>(x * planes[p].w / w)];
        if (p == 0 && noise > 0) {
          state ^= state << 13;
          state ^= state >> 17;
          state ^= state << 5;
          value += static_cast<int>(state % static_cast<std::uint32_t>(2 * noise + 1)) - noise;
        }
        frame[planes[p].to + static_cast<std::size_t>(y) * w + x] =
            static_cast<BYTE>(std::clamp(value, 0, 255));
      }
    }
  }
  return frame;
}

bool Connect(orlin::phone::FrameSender& sender, int width, int height, std::int32_t sampleSize) {
  AM_MEDIA_TYPE type{};
  VIDEOINFOHEADER info{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_YV12;
  type.lSampleSize = static_cast<ULONG>(sampleSize);
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  return sender.InputPin()->ReceiveConnection(nullptr, &type) == S_OK;
}

struct Case {
  const char* name;
  int width;
  int height;
  int compression;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

double EncodeMilliseconds(const std::vector<BYTE>& frame, int width, int height) {
  std::vector<std::uint8_t> output(static_cast<std::size_t>(width) * height * 3 / 4);
  std::vector<double> times;
  for (int i = 0; i < 15; ++i) {
    std::int32_t length = static_cast<std::int32_t>(output.size());
    const auto start = Clock::now();
    orlin::codec::CompressFrame(frame.data(), width, height, 0, output.data(), &length);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Percentile(times, 0.5);
}

std::int32_t PayloadBytes(const std::vector<BYTE>& frame, int width, int height) {
  std::vector<std::uint8_t> output(static_cast<std::size_t>(width) * height * 3 / 4 - 4);
  std::int32_t length = static_cast<std::int32_t>(output.size());
  orlin::codec::CompressFrame(frame.data(), width, height, 0, output.data(), &length);
  return length;
}

void RunCase(const Case& c, const PiecePacing& pacing, std::vector<BYTE>& frame, int frames) {
  PieceReceiver receiver;
  if (!receiver.Bound()) {
    std::fprintf(stderr, "piece_pacing_bench: no port to receive on\n");
    std::exit(1);
  }
  orlin::phone::FrameSender sender;
  sender.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender.SetDestinationPort(receiver.Port());
  sender.SetAnnouncementPort(0);
  sender.SetCodecRequest(c.compression, 0, 0);
  sender.SetPiecePacing(pacing);
  if (!Connect(sender, c.width, c.height, static_cast<std::int32_t>(frame.size())) ||
      sender.OpenNetwork() != S_OK) {
    std::fprintf(stderr, "piece_pacing_bench: %s: connection failed\n", c.name);
    return;
  }
  IMemInputPin* input = nullptr;
  sender.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
  orlin::phone::cameras::FrameSample sample(sender);
  sample.Attach(frame.data(), static_cast<LONG>(frame.size()));

  for (int i = 0; i < 3; ++i) {  // warm-up, then a quiet moment
    input->Receive(&sample);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  receiver.Take();
  std::vector<Clock::time_point> handed(static_cast<std::size_t>(frames));
  const auto start = Clock::now();
  const auto interval = std::chrono::microseconds(33333);
  for (int i = 0; i < frames; ++i) {
    std::this_thread::sleep_until(start + interval * i);
    handed[static_cast<std::size_t>(i)] = Clock::now();
    input->Receive(&sample);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::map<std::uint32_t, Arrival> arrivals = receiver.Take();
  sender.CloseNetwork();

  // Serials count up one a frame from the first measured frame's, whose first
  // piece met an empty buffer.
  std::uint32_t first = 0;
  bool any = false;
  for (const auto& [serial, a] : arrivals) {
    if (!any || static_cast<std::int32_t>(serial - first) < 0) first = serial;
    any = true;
  }
  std::vector<double> spreads, delays;
  long whole = 0;
  for (const auto& [serial, a] : arrivals) {
    const std::uint32_t index = serial - first;
    if (index >= static_cast<std::uint32_t>(frames) || a.pieces != a.count) continue;
    ++whole;
    spreads.push_back(std::chrono::duration<double, std::milli>(a.last - a.first).count());
    delays.push_back(std::chrono::duration<double, std::milli>(a.last - handed[index]).count());
  }
  char choice[48];
  if (pacing.gap.count() == 0) {
    std::snprintf(choice, sizeof choice, "back to back");
  } else {
    std::snprintf(choice, sizeof choice, "%d / %lld us / %lld us", pacing.burst,
                  static_cast<long long>(pacing.gap.count()),
                  static_cast<long long>(pacing.spread.count()));
  }
  std::printf("%-24s %-22s %5.1f fps  whole %4ld of %4d (%5.1f %%)  spread %6.2f / %6.2f ms"
              "  delay %6.2f / %6.2f ms\n",
              c.name, choice, frames / seconds, whole, frames, 100.0 * whole / frames,
              Percentile(spreads, 0.5), Percentile(spreads, 0.99), Percentile(delays, 0.5),
              Percentile(delays, 0.99));
  std::fflush(stdout);
}

std::vector<PiecePacing> ParsePacings(const std::string& text) {
  std::vector<PiecePacing> pacings;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(at, end - at);
    int burst = 0;
    long long gap = 0, spread = 0;
    if (std::sscanf(item.c_str(), "%d/%lld/%lld", &burst, &gap, &spread) < 2) {
      std::fprintf(stderr, "piece_pacing_bench: not a pacing: %s\n%s", item.c_str(), kUsage);
      std::exit(2);
    }
    pacings.push_back({burst, std::chrono::microseconds(gap), std::chrono::microseconds(spread)});
    at = end + 1;
  }
  return pacings;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 150;
  int noise = 4;
  std::vector<PiecePacing> pacings = {
      {0, std::chrono::microseconds(0), {}},      orlin::phone::kDefaultPiecePacing,
      {1, std::chrono::microseconds(300), {}},    {2, std::chrono::microseconds(300), {}},
      {3, std::chrono::microseconds(300), {}},    {2, std::chrono::microseconds(500), {}},
      {3, std::chrono::microseconds(500), {}},    {4, std::chrono::microseconds(500), {}},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("piece_pacing_bench %s\n", ORLIN_VERSION);
      return 0;
    }
    if (arg == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (arg == "--noise" && i + 1 < argc) {
      noise = std::atoi(argv[++i]);
    } else if (arg == "--pacing" && i + 1 < argc) {
      pacings = ParsePacings(argv[++i]);
    } else {
      std::fprintf(stderr, "piece_pacing_bench: unknown argument %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (frames <= 0) {
    std::fprintf(stderr, "piece_pacing_bench: --frames must be positive\n");
    return 2;
  }
  const std::vector<BYTE> coffee = ReadPicture("coffee");
  {
    PieceReceiver probe;
    std::printf("receive buffer in force: %d bytes; %d frames at 30/s per line\n",
                probe.BufferBytes(), frames);
  }
  const Case cases[] = {
      {"1920x1080 raw", 1920, 1080, 0},
      {"1280x720 compressed L0", 1280, 720, 1},
      {"1920x1080 compressed L0", 1920, 1080, 1},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> frame = ScaledPicture(coffee, c.width, c.height, noise);
    const std::int64_t bytes =
        c.compression != 0 ? PayloadBytes(frame, c.width, c.height) : static_cast<std::int64_t>(frame.size());
    std::printf("%s: %lld bytes a frame, %lld pieces", c.name, static_cast<long long>(bytes),
                static_cast<long long>(orlin::wire::PieceCountOf(bytes)));
    if (c.compression != 0) std::printf(", encoding %.2f ms", EncodeMilliseconds(frame, c.width, c.height));
    std::printf("\n");
    for (const PiecePacing& pacing : pacings) RunCase(c, pacing, frame, frames);
  }
  return 0;
}
