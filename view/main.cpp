// orlin-view: opens "Orlin Camera" the way a DirectShow application does
// (device enumerator, moniker, COM), connects its pin to a pin of its own,
// runs it on a clock, and writes the frames as Y4M, a PNG snapshot or to a
// V4L2 output device.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "filter/orlin_events.h"
#include "orlin/com_ref.h"
#include "orlin/device_enumerator.h"
#include "orlin/host_services.h"
#include "orlin/registry.h"
#include "platform/posix/win32/utf16.h"
#include "settings/video_format_settings.h"
#include "view/graph_host.h"
#include "view/png_writer.h"
#include "view/v4l2_writer.h"
#include "view/view_session.h"
#include "view/y4m_writer.h"

namespace {

constexpr char kHelp[] =
    "Usage: orlin-view [OPTIONS]\n"
    "\n"
    "Opens the video input device \"Orlin Camera\" as a DirectShow application does,\n"
    "receives the phone's frames through it (UDP port 4444) and writes them out.\n"
    "\n"
    "Outputs (any combination; without one the frames are only counted):\n"
    "  --y4m PATH      YUV4MPEG2 stream to PATH, or - for stdout (pipe into\n"
    "                  'mpv -' or 'ffmpeg -i -'). I420/IYUV/YV12/NV12 are written\n"
    "                  as C420 with the planes in Y, U, V order; YUY2/UYVY as\n"
    "                  C422; RGB24/RGB32 are converted to C444 (BT.601).\n"
    "  --png PATH      PNG snapshot of the last frame, written when the run ends\n"
    "  --v4l2 DEVICE   a V4L2 output device (v4l2loopback, e.g. /dev/video10):\n"
    "                  4:2:0 as YU12, 4:2:2 as YUYV, RGB as RGB3\n"
    "\n"
    "When to stop (else Ctrl-C, SIGINT or SIGTERM, stops cleanly):\n"
    "  --frames N      after N frames written\n"
    "  --seconds S     after S seconds of running\n"
    "\n"
    "Other options:\n"
    "  --list          list the video input devices and the PC settings, then exit\n"
    "  --device NAME   open the device with this friendly name (\"Orlin Camera\")\n"
    "  --skip-repeats  do not write a frame identical to the one before (the\n"
    "                  filter repeats its last frame when nothing new arrived)\n"
    "  --quiet         no status line\n"
    "  --help, --version\n"
    "\n"
    "The status line on stderr shows frames delivered, new versus repeated frames\n"
    "and frames per second. When the system grants the stream less receive buffer\n"
    "than a raw frame needs (Linux caps it at net.core.rmem_max), orlin-view says\n"
    "so once, with the sysctl line that lifts the cap.\n"
    "\n"
    "The device must be registered first, once, in the PC settings hive:\n"
    "  orlin-regsvr build/linux/lib/liborlin.so\n"
    "The hive is $ORLIN_PC_REGISTRY when set, else ~/.config/orlin/pc.reg; the\n"
    "filter reads the video format (FourCC, size, compression) from it, as\n"
    "orlin-setup stores it. The phone must send frames in exactly that format.\n";

std::atomic<bool> stop_requested{false};

extern "C" void RequestStop(int) { stop_requested = true; }

struct Options {
  bool list = false;
  bool quiet = false;
  bool skip_repeats = false;
  std::u16string device = u"Orlin Camera";
  std::string y4m, png, v4l2;
  unsigned long long frames = 0;
  double seconds = 0;
};

// Parses the command line; exits for --help, --version and bad usage.
Options ParseOptions(int argc, char** argv) {
  Options options;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) {
      std::fprintf(stderr, "orlin-view: %s needs a value (try --help)\n", argv[i]);
      std::exit(2);
    }
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    try {
      if (arg == "--help" || arg == "-h") {
        std::fputs(kHelp, stdout);
        std::exit(0);
      } else if (arg == "--version") {
        std::puts("orlin-view " ORLIN_VERSION);
        std::exit(0);
      } else if (arg == "--list") {
        options.list = true;
      } else if (arg == "--quiet") {
        options.quiet = true;
      } else if (arg == "--skip-repeats") {
        options.skip_repeats = true;
      } else if (arg == "--device") {
        const std::string name = value(i);
        options.device.assign(name.begin(), name.end());
      } else if (arg == "--y4m") {
        options.y4m = value(i);
      } else if (arg == "--png") {
        options.png = value(i);
      } else if (arg == "--v4l2") {
        options.v4l2 = value(i);
      } else if (arg == "--frames") {
        const std::string text = value(i);
        std::size_t used = 0;
        options.frames = std::stoull(text, &used);
        if (used != text.size() || options.frames == 0) throw std::invalid_argument(text);
      } else if (arg == "--seconds") {
        const std::string text = value(i);
        std::size_t used = 0;
        options.seconds = std::stod(text, &used);
        if (used != text.size() || !(options.seconds > 0)) throw std::invalid_argument(text);
      } else {
        std::fprintf(stderr, "orlin-view: unknown option '%s' (try --help)\n", arg.c_str());
        std::exit(2);
      }
    } catch (const std::logic_error&) {
      std::fprintf(stderr, "orlin-view: bad value for %s (try --help)\n", arg.c_str());
      std::exit(2);
    }
  }
  return options;
}

std::u16string ReadName(IMoniker* moniker, LPCOLESTR property) {
  orlin::ComRef<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()))) return {};
  VARIANT value;
  VariantInit(&value);
  std::u16string text;
  if (SUCCEEDED(bag->Read(property, &value, nullptr)) && value.vt == VT_BSTR) text = value.bstrVal;
  VariantClear(&value);
  return text;
}

std::string Utf8(const std::u16string& text) { return orlin::detail::Utf16ToUtf8(text.c_str()); }

int ListDevices(ICreateDevEnum* devices) {
  orlin::ComRef<IEnumMoniker> list;
  const HRESULT hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.Receive(), 0);
  std::printf("Video input devices (hive %s):\n", orlin::platform::RegistryHiveFile().c_str());
  if (hr != S_OK) std::puts("  none: register the library with orlin-regsvr (see --help)");
  IMoniker* moniker = nullptr;
  while (list && list->Next(1, &moniker, nullptr) == S_OK) {
    std::printf("  \"%s\"  class %s\n", Utf8(ReadName(moniker, u"FriendlyName")).c_str(),
                Utf8(ReadName(moniker, u"CLSID")).c_str());
    moniker->Release();
  }
  const auto settings = orlin::settings::LoadFilterSettings();
  const char fourcc[5] = {static_cast<char>(settings.FourCC), static_cast<char>(settings.FourCC >> 8),
                          static_cast<char>(settings.FourCC >> 16), static_cast<char>(settings.FourCC >> 24), 0};
  std::printf("PC settings: %s %ux%u, %u bits per pixel, compression %s, pixel correction %s, swap UV %s\n",
              fourcc, settings.Width, settings.Height, settings.BitsPerPixel, settings.Compression ? "on" : "off",
              settings.PixelCorrection ? "on" : "off", settings.SwapUV ? "on" : "off");
  return 0;
}

// The filter of the device with this friendly name, created through its moniker.
HRESULT OpenDevice(ICreateDevEnum* devices, const std::u16string& name, IBaseFilter** filter) {
  *filter = nullptr;
  orlin::ComRef<IEnumMoniker> list;
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.Receive(), 0) != S_OK) {
    return REGDB_E_CLASSNOTREG;
  }
  IMoniker* moniker = nullptr;
  while (list->Next(1, &moniker, nullptr) == S_OK) {
    const bool match = ReadName(moniker, u"FriendlyName") == name;
    const HRESULT hr =
        match ? moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter))
              : S_FALSE;
    moniker->Release();
    if (match) return hr;
  }
  return REGDB_E_CLASSNOTREG;
}

int Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "orlin-view: %s (0x%08X)\n", what, static_cast<unsigned>(hr));
  return 1;
}

void PrintStatus(const orlin::view::SessionCounts& counts, double elapsed, bool final_line) {
  std::fprintf(stderr, "%sframes %llu (new %llu, repeated %llu), %.1f fps%s", final_line ? "" : "\r",
               static_cast<unsigned long long>(counts.delivered), static_cast<unsigned long long>(counts.fresh),
               static_cast<unsigned long long>(counts.repeated), elapsed > 0 ? counts.delivered / elapsed : 0.0,
               final_line ? "\n" : "   ");
}

// The filter says when the system gave its socket less receive buffer than a
// frame's burst of chunks needs: say so once, with the line that lifts the cap
// (and the phone's way round it, for a user without root).
void WarnOfShortReceiveBuffer(const orlin::view::GraphHost& host) {
  for (const orlin::RecordedEvent& event : host.Events()) {
    if (event.code != orlin::filter::kEventReceiveBufferShort) continue;
    const long long asked = event.param1, granted = event.param2;
    std::fprintf(stderr,
                 "orlin-view: the system gave the stream a receive buffer of %lld bytes where a frame needs "
                 "%lld: frames will be lost or arrive broken. To lift the cap:\n"
                 "  sudo sysctl -w net.core.rmem_max=%lld\n"
                 "or have the phone spread each frame's chunks: orlin-phone --pace 16\n",
                 granted, asked, asked);
    return;
  }
}

int Run(const Options& options) {
  orlin::ComRef<ICreateDevEnum> devices;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.ReceiveVoid());
  if (FAILED(hr)) return Fail("no system device enumerator", hr);
  if (options.list) return ListDevices(devices.Get());

  auto session = std::make_unique<orlin::view::ViewSession>(options.frames, options.skip_repeats);
  if (!options.v4l2.empty()) {
    // Refused before connecting: a wrong device path is the likeliest mistake.
    auto device = std::make_unique<orlin::view::V4l2Writer>(options.v4l2);
    if (!device->Open()) {
      std::fprintf(stderr, "orlin-view: %s\n", device->Error().c_str());
      return 1;
    }
    session->AddWriter(std::move(device));
  }

  orlin::ComRef<IBaseFilter> filter;
  hr = OpenDevice(devices.Get(), options.device, filter.Receive());
  if (FAILED(hr)) {
    std::fprintf(stderr, "orlin-view: cannot open \"%s\" (0x%08X)%s%s\n", Utf8(options.device).c_str(),
                 static_cast<unsigned>(hr), hr == REGDB_E_CLASSNOTREG ? ": is it registered? (see --help) " : ": ",
                 orlin::InProcessServerError().c_str());
    return 1;
  }
  orlin::view::ViewSession* sink = session.get();
  orlin::view::GraphHost host(
      filter.Get(), options.device,
      [sink](const BYTE* data, LONG size) -> HRESULT { return sink->OnSample(data, size); });
  using Step = orlin::view::HostStep;
  switch (host.FailedStep()) {
    case Step::kNone: break;
    case Step::kFindPin: return Fail("the device has no output pin", host.Status());
    case Step::kAllocate: return Fail("out of memory", host.Status());
    case Step::kClock: return Fail("no system clock", host.Status());
    case Step::kJoin: return Fail("the device refused to join the graph", host.Status());
    case Step::kSetClock: return Fail("the device refused the clock", host.Status());
    case Step::kConnect:
      return Fail("cannot connect to the device's pin: check the PC settings' format", host.Status());
  }
  const orlin::view::FrameFormat format = *host.Format();
  session->SetFormat(format);
  if (!options.y4m.empty()) {
    session->AddWriter(std::make_unique<orlin::view::Y4mWriter>(options.y4m, format.frame_interval));
  }
  if (!options.png.empty()) session->AddWriter(std::make_unique<orlin::view::PngWriter>(options.png));
  if (!options.quiet) std::fprintf(stderr, "orlin-view: %s from \"%s\"\n", format.Name().c_str(),
                                   Utf8(options.device).c_str());

  hr = host.Run();
  int status = 0;
  if (FAILED(hr)) {
    status = Fail("cannot run the device", hr);
  } else {
    WarnOfShortReceiveBuffer(host);
    const auto began = std::chrono::steady_clock::now();
    const bool live = !options.quiet && isatty(STDERR_FILENO);
    while (!stop_requested && !session->Done()) {
      session->WaitFor(std::chrono::milliseconds(250));
      const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
      if (live) PrintStatus(session->Counts(), elapsed, false);
      if (options.seconds > 0 && elapsed >= options.seconds) break;
    }
    host.Stop();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!options.quiet) PrintStatus(session->Counts(), elapsed, true);
  }
  host.Close();

  const std::string error = session->Finish();
  if (!error.empty()) {
    std::fprintf(stderr, "orlin-view: %s\n", error.c_str());
    status = 1;
  }
  // The filter reports a failed fill to its graph and stops delivering.
  for (const orlin::RecordedEvent& event : host.Events()) {
    if (event.code == EC_ERRORABORT) {
      std::fprintf(stderr, "orlin-view: the device stopped with an error (0x%08X)\n",
                   static_cast<unsigned>(event.param1));
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  orlin::platform::SelectRegistryHive(orlin::platform::RegistryHive::kPc);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGPIPE, SIG_IGN);  // a closed pipe shows as a write error instead
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const int status = Run(options);
  CoUninitialize();
  return status;
}
