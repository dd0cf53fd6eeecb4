// sender_bench: frames per second that FrameSender::SendSample sustains over
// loopback, for the formats a phone camera typically delivers. A receiver
// thread drains a 127.0.0.1 port of its own the way the PC would, and counts
// what arrives.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "orlin/dshow.h"
#include "orlin/winsock.h"
#include "phone/frame_sender.h"
#include "wire/four_cc.h"

namespace {

using orlin::wire::kFourCC_YUY2;
using orlin::wire::kFourCC_YV12;

constexpr const char* kUsage =
    "usage: sender_bench [--seconds S] [--picture NAME]\n"
    "Times FrameSender::SendSample over loopback to 127.0.0.1 for 176x144 and\n"
    "320x240 YV12 compressed at levels 0-3 and 640x480 YUY2 uncompressed, and prints\n"
    "frames per second, megabytes per second sent, and datagrams received.\n"
    "  --seconds S     time per case (default 2)\n"
    "  --picture NAME  test picture from tests/data: astronaut, coffee (default), cups\n";

// A camera sample over a frame buffer.
class BenchSample final : public IMediaSample {
 public:
  explicit BenchSample(std::vector<BYTE>& frame) : frame_(frame) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override {
    *buffer = frame_.data();
    return S_OK;
  }
  LONG STDMETHODCALLTYPE GetSize() override { return static_cast<LONG>(frame_.size()); }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL) override { return E_NOTIMPL; }
  LONG STDMETHODCALLTYPE GetActualDataLength() override { return GetSize(); }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

 private:
  std::vector<BYTE>& frame_;
};

// Drains a port of the system's choosing and counts datagrams and bytes.
class Drain {
 public:
  Drain() {
    winsock_.Start();
    socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    const int bufferBytes = 8 * 1024 * 1024;
    setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bufferBytes),
               sizeof bufferBytes);
    orlin::SetReceiveTimeout(socket_.Get(), 50);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bound_ =
        bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
    port_ = ntohs(address.sin_port);
    if (bound_) thread_ = std::thread([this] { Run(); });
  }
  ~Drain() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Bound() const { return bound_; }
  std::uint16_t Port() const { return port_; }
  long Datagrams() const { return datagrams_; }
  void Reset() { datagrams_ = 0; }

 private:
  void Run() {
    std::vector<char> buffer(65536);
    while (!stop_) {
      if (recvfrom(socket_.Get(), buffer.data(), 65536, 0, nullptr, nullptr) >= 0) ++datagrams_;
    }
  }
  orlin::WinsockSession winsock_;
  orlin::SocketHandle socket_;
  bool bound_ = false;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<long> datagrams_{0};
  std::thread thread_;
};

std::vector<BYTE> ReadFrame(const std::string& picture, int width, int height) {
  const std::string path = std::string(ORLIN_BENCH_DATA_DIR) + "/" + picture + "_" +
                           std::to_string(width) + "x" + std::to_string(height) + ".yv12";
  std::ifstream file(path, std::ios::binary);
  std::vector<BYTE> frame((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (frame.size() != static_cast<std::size_t>(width) * height * 3 / 2) {
    std::fprintf(stderr, "sender_bench: cannot read %s\n", path.c_str());
    std::exit(1);
  }
  return frame;
}

// Packs a YV12 picture as YUY2 (Y0 U Y1 V), taking chroma from every other row.
std::vector<BYTE> Yuy2FromYv12(const std::vector<BYTE>& yv12, int width, int height) {
  std::vector<BYTE> yuy2(static_cast<std::size_t>(width) * height * 2);
  const BYTE* y = yv12.data();
  const BYTE* v = y + width * height;
  const BYTE* u = v + (width / 2) * (height / 2);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; x += 2) {
      BYTE* out = &yuy2[(static_cast<std::size_t>(row) * width + x) * 2];
      const int chroma = (row / 2) * (width / 2) + x / 2;
      out[0] = y[row * width + x];
      out[1] = u[chroma];
      out[2] = y[row * width + x + 1];
      out[3] = v[chroma];
    }
  }
  return yuy2;
}

bool Connect(orlin::phone::FrameSender& sender, std::uint32_t fourCC, int width, int height,
             std::int32_t sampleSize) {
  AM_MEDIA_TYPE type{};
  VIDEOINFOHEADER info{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_YV12;
  type.subtype.Data1 = fourCC;
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
  std::uint32_t fourCC;
  int width;
  int height;
  int compression;
  int level;
};

void RunCase(const Case& c, const std::string& picture, double seconds, Drain& drain) {
  orlin::phone::FrameSender sender;
  sender.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender.SetDestinationPort(drain.Port());
  sender.SetAnnouncementPort(0);
  sender.SetCodecRequest(c.compression, 0, c.level);
  std::vector<BYTE> yv12 = ReadFrame(picture, c.width, c.height);
  std::vector<BYTE> frame = c.fourCC == kFourCC_YUY2 ? Yuy2FromYv12(yv12, c.width, c.height) : yv12;
  if (!Connect(sender, c.fourCC, c.width, c.height, static_cast<std::int32_t>(frame.size())) ||
      sender.OpenNetwork() != S_OK) {
    std::fprintf(stderr, "sender_bench: %s: connection failed\n", c.name);
    return;
  }
  IMemInputPin* input = nullptr;
  sender.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
  BenchSample sample(frame);

  for (int i = 0; i < 5; ++i) input->Receive(&sample);  // warm-up
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  drain.Reset();
  long frames = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  auto now = start;
  while (now < end) {
    for (int i = 0; i < 8; ++i) input->Receive(&sample);
    frames += 8;
    now = std::chrono::steady_clock::now();
  }
  const double elapsed = std::chrono::duration<double>(now - start).count();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the drain catch up

  const long perFrame = c.compression != 0 ? 1 : sender.ChunkCount();
  const double bytesPerFrame =
      c.compression != 0 ? 0.0 : static_cast<double>(sender.ChunkCount()) * sender.ChunkSize();
  std::printf("%-28s %10.1f fps %9.2f ms/frame %7ld datagrams/frame", c.name, frames / elapsed,
              1000.0 * elapsed / frames, perFrame);
  if (bytesPerFrame > 0) std::printf(" %8.1f MB/s", bytesPerFrame * frames / elapsed / 1e6);
  if (drain.Bound()) {
    std::printf("  received %5.1f%%", 100.0 * drain.Datagrams() / (static_cast<double>(frames) * perFrame));
  }
  std::printf("\n");
  sender.CloseNetwork();
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 2.0;
  std::string picture = "coffee";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("sender_bench %s\n", ORLIN_VERSION);
      return 0;
    }
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--picture" && i + 1 < argc) {
      picture = argv[++i];
    } else {
      std::fprintf(stderr, "sender_bench: unknown argument %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (!(seconds > 0)) {
    std::fprintf(stderr, "sender_bench: --seconds must be positive\n");
    return 2;
  }

  Drain drain;
  if (!drain.Bound()) {
    std::fprintf(stderr, "sender_bench: no port to receive on; stopping\n");
    return 1;
  }
  const Case cases[] = {
      {"176x144 YV12 level 0", kFourCC_YV12, 176, 144, 1, 0},
      {"176x144 YV12 level 1", kFourCC_YV12, 176, 144, 1, 1},
      {"176x144 YV12 level 2", kFourCC_YV12, 176, 144, 1, 2},
      {"176x144 YV12 level 3", kFourCC_YV12, 176, 144, 1, 3},
      {"320x240 YV12 level 0", kFourCC_YV12, 320, 240, 1, 0},
      {"320x240 YV12 level 1", kFourCC_YV12, 320, 240, 1, 1},
      {"320x240 YV12 level 2", kFourCC_YV12, 320, 240, 1, 2},
      {"320x240 YV12 level 3", kFourCC_YV12, 320, 240, 1, 3},
      {"640x480 YUY2 uncompressed", kFourCC_YUY2, 640, 480, 0, 2},
  };
  std::printf("picture %s, %.1f s per case\n", picture.c_str(), seconds);
  for (const Case& c : cases) RunCase(c, picture, seconds, drain);
  return 0;
}
