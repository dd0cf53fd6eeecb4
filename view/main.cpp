// orlin-view: opens "Orlin Camera" the way a DirectShow application does
// (device enumerator, moniker, COM), connects its pin to a pin of its own,
// runs it on a clock, and writes the frames as Y4M, a PNG snapshot or to a
// V4L2 output device, or shows them in a window.
#include <atomic>
#include <cstdarg>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "filter/orlin_events.h"
#include "filter/stream_status.h"
#include "orlin/com_ref.h"
#include "orlin/device_enumerator.h"
#include "orlin/host_services.h"
#include "orlin/registry.h"
#include "platform/posix/win32/utf16.h"
#include "orlin/udp_port.h"
#include "platform/posix/filter_library_path.h"
#include "settings/video_format_settings.h"
#include "view/graph_host.h"
#include "view/png_writer.h"
#include "view/v4l2_writer.h"
#include "view/view_session.h"
#include "view/y4m_writer.h"
#include "wire/four_cc.h"
#include "wire/stream.h"
#ifdef ORLIN_VIEW_WINDOW
#include "view/preview_window.h"
#endif

namespace {

constexpr char16_t kCameraName[] = u"Orlin Camera";

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
    "  --window        show the camera live in a window, its state in the title;\n"
    "                  closing the window ends the run\n"
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
    "Output paths are checked before anything is received: a bad one ends the run\n"
    "at once with the system's reason.\n"
    "\n"
    "The status line on stderr says \"waiting for the phone on UDP port 4444\" until\n"
    "the first frame arrives, then shows frames delivered, new versus repeated\n"
    "frames (the camera repeats its last frame when nothing new arrived) and new\n"
    "frames over the last second; the last line has the rate over the whole run.\n"
    "With AcceptFrom set in the PC settings, each other sender whose datagrams the\n"
    "camera drops is named once, and a line after the last one gives the datagrams\n"
    "dropped per sender (\"foreign datagrams ignored: 120 from 10.0.0.7\").\n"
    "Status cards (the camera's picture of its own state) and samples of a stream\n"
    "that does not match the PC settings are neither counted nor written. When\n"
    "what arrives does not match, the camera's sentence saying why is printed once\n"
    "each time it changes, --quiet or not.\n"
    "\n"
    "When the system grants the stream less receive buffer than a raw frame needs\n"
    "(Linux caps it at net.core.rmem_max), orlin-view says so once, with the\n"
    "sysctl line that lifts the cap.\n"
    "\n"
    "The device is registered in the PC settings hive (orlin-setup does it too).\n"
    "When \"Orlin Camera\" is not registered there, or its library is gone,\n"
    "orlin-view registers the liborlin.so built or installed with it, and says so.\n"
    "By hand: orlin-regsvr PATH/liborlin.so (the package's is in\n"
    "/usr/lib/<architecture>/orlin/, e.g. /usr/lib/x86_64-linux-gnu/orlin/).\n"
    "The hive is $ORLIN_PC_REGISTRY when set, else ~/.config/orlin/pc.reg; the\n"
    "filter reads the video format (FourCC, size, compression) from it, as\n"
    "orlin-setup stores it. The phone must send frames in exactly that format.\n";

std::atomic<bool> stop_requested{false};

extern "C" void RequestStop(int) { stop_requested = true; }

struct Options {
  bool list = false;
  bool quiet = false;
  bool skip_repeats = false;
  bool window = false;
  std::u16string device = kCameraName;
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
      } else if (arg == "--window") {
#ifndef ORLIN_VIEW_WINDOW
        std::fputs("orlin-view: this build has no --window (SDL2 was missing when it was built)\n", stderr);
        std::exit(2);
#endif
        options.window = true;
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
  std::printf("PC settings: %s %ux%u, %u bits per pixel, compression %s, pixel correction %s, swap UV %s\n",
              orlin::wire::FourCCText(settings.FourCC).c_str(), settings.Width, settings.Height, settings.BitsPerPixel, settings.Compression ? "on" : "off",
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

// The library file registered for a class given as "{...}" text, empty when
// there is none.
std::string RegisteredLibrary(const std::u16string& clsid) {
  orlin::platform::RegistryKey key;
  const std::u16string path = u"CLSID\\" + clsid + u"\\InprocServer32";
  if (clsid.empty() ||
      RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
    return {};
  }
  DWORD type = 0;
  WCHAR file[4096] = {};
  DWORD bytes = sizeof file - sizeof(WCHAR);
  if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(file), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return Utf8(file);
}

// The camera counts as registered when it is listed and its library can be
// loaded as registered: a whole path that no longer names a file (a build
// tree since removed) would only fail to open. A bare name is left to the
// loader's search.
bool CameraRegistered(ICreateDevEnum* devices) {
  orlin::ComRef<IEnumMoniker> list;
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, list.Receive(), 0) != S_OK) return false;
  bool registered = false;
  IMoniker* moniker = nullptr;
  while (!registered && list->Next(1, &moniker, nullptr) == S_OK) {
    if (ReadName(moniker, u"FriendlyName") == kCameraName) {
      const std::string library = RegisteredLibrary(ReadName(moniker, u"CLSID"));
      registered = !library.empty() && (library.find('/') == std::string::npos || access(library.c_str(), F_OK) == 0);
    }
    moniker->Release();
  }
  return registered;
}

// First use: with the camera not registered in this hive, the library built or
// installed with this program registers itself, as orlin-regsvr and
// orlin-setup would have it do.
void RegisterOnFirstUse(ICreateDevEnum* devices) {
  if (CameraRegistered(devices)) return;
  const std::string library = orlin::platform::FilterLibraryPath();
  if (library.empty()) return;
  const std::string hive = orlin::platform::RegistryHiveFile();
  std::string failure;
  const HRESULT hr = orlin::platform::CallServerRegistration(library, false, failure);
  if (!failure.empty()) {
    std::fprintf(stderr, "orlin-view: cannot register \"Orlin Camera\": %s\n", failure.c_str());
  } else if (SUCCEEDED(hr)) {
    std::fprintf(stderr, "orlin-view: registered \"Orlin Camera\" (%s) in %s\n", library.c_str(), hive.c_str());
  } else {
    std::fprintf(stderr, "orlin-view: cannot register \"Orlin Camera\" (%s) in %s (0x%08X)\n", library.c_str(),
                 hive.c_str(), static_cast<unsigned>(hr));
  }
}

int Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "orlin-view: %s (0x%08X)\n", what, static_cast<unsigned>(hr));
  return 1;
}

// stderr's status: a line rewritten in place on a terminal, lines of their own
// for what must stay readable, and no half-overwritten line left at the end.
class StatusOutput {
 public:
  explicit StatusOutput(bool live) : live_(live) {}
  ~StatusOutput() { Clear(); }
  void Live(const std::string& text) {
    if (!live_) return;
    const int width = static_cast<int>(text.size());
    std::fprintf(stderr, "\r%s%*s", text.c_str(), width_ > width ? width_ - width : 0, "");
    if (width_ > width) std::fprintf(stderr, "\r%s", text.c_str());
    width_ = width;
  }
  void Line(const std::string& text) {
    Clear();
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  void Clear() {
    if (width_ > 0) std::fprintf(stderr, "\r%*s\r", width_, "");
    width_ = 0;
  }

 private:
  bool live_;
  int width_ = 0;
};

std::string Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printed(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

constexpr char kNoMatch[] = "the stream does not match the PC settings";

std::string Waiting() {
  return Printed("waiting for the phone on UDP port %u", static_cast<unsigned>(orlin::wire::kStreamPort));
}

// "frames D (new N, repeated R), F fps": scripts read the last one.
std::string CountsText(const orlin::view::SessionCounts& counts, double fps) {
  return Printed("frames %llu (new %llu, repeated %llu), %.1f fps",
                 static_cast<unsigned long long>(counts.delivered), static_cast<unsigned long long>(counts.fresh),
                 static_cast<unsigned long long>(counts.repeated), fps);
}

orlin::view::SampleKind KindOf(orlin::filter::SampleContent content) {
  using orlin::filter::SampleContent;
  using orlin::view::SampleKind;
  switch (content) {
    case SampleContent::kFrame: return SampleKind::kFrame;
    case SampleContent::kRepeat: return SampleKind::kRepeat;
    case SampleContent::kCard: return SampleKind::kCard;
    case SampleContent::kMisread: return SampleKind::kMisread;
    case SampleContent::kNothing: break;
  }
  return SampleKind::kUnknown;
}

// The camera's state as its status interface tells it; a camera without one
// is taken as receiving.
struct CameraState {
  bool mismatch = false;
  std::string diagnosis;  // why what arrives does not match; empty otherwise (waiting too)
};

CameraState AskCamera(orlin::filter::IOrlinStreamStatus* status) {
  CameraState state;
  orlin::filter::OrlinStreamStatus answer{};
  if (status == nullptr || FAILED(status->GetStreamStatus(&answer))) return state;
  answer.diagnosis[orlin::filter::kDiagnosisChars - 1] = 0;
  // While waiting the camera says so too; orlin-view says that itself.
  state.mismatch = answer.state == orlin::filter::StreamState::kMismatch;
  if (state.mismatch) state.diagnosis = Utf8(answer.diagnosis);
  return state;
}

// Whom the camera's AcceptFrom kept out: each sender said once while running,
// and the counts at the end.
class ForeignSenders {
 public:
  explicit ForeignSenders(orlin::filter::IOrlinSenderFilter* camera) : camera_(camera) {}

  // The sender filter as it stands; nothing dropped for a camera without one.
  orlin::filter::OrlinSenderFilter Ask() const {
    orlin::filter::OrlinSenderFilter answer{};
    if (camera_ == nullptr || FAILED(camera_->GetSenderFilter(&answer))) answer = {};
    if (answer.senders > orlin::filter::kForeignSenderSlots) answer.senders = orlin::filter::kForeignSenderSlots;
    return answer;
  }
  // The senders not said yet, a line each.
  void SayNew(StatusOutput& out) {
    const orlin::filter::OrlinSenderFilter now = Ask();
    if (!now.filtering) return;
    const std::string taken = ": only " + orlin::DottedIPv4(now.acceptFrom) + " (AcceptFrom) is taken.";
    for (; said_ < now.senders; ++said_) {
      out.Line("orlin-view: Ignoring datagrams from " + orlin::DottedIPv4(now.sender[said_].address) +
               taken);
    }
    if (now.otherDatagrams > 0 && !said_others_) {
      out.Line("orlin-view: Ignoring datagrams from more senders" + taken);
      said_others_ = true;
    }
  }
  // "foreign datagrams ignored: 120 from 127.0.0.2, 4 from other senders";
  // empty when none were.
  std::string Summary() const {
    const orlin::filter::OrlinSenderFilter now = Ask();
    std::string text;
    const auto add = [&text](std::uint64_t count, const std::string& from) {
      text += (text.empty() ? "foreign datagrams ignored: " : ", ") + std::to_string(count) + " from " + from;
    };
    if (!now.filtering) return text;
    for (std::uint32_t i = 0; i < now.senders; ++i) {
      add(now.sender[i].datagrams, orlin::DottedIPv4(now.sender[i].address));
    }
    if (now.otherDatagrams > 0) add(now.otherDatagrams, "other senders");
    return text;
  }

 private:
  orlin::filter::IOrlinSenderFilter* camera_;
  std::uint32_t said_ = 0;
  bool said_others_ = false;
};

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
  RegisterOnFirstUse(devices.Get());
  if (options.list) return ListDevices(devices.Get());

  // Every output is opened before the device: a wrong path is the likeliest
  // mistake, and it should not wait for frames to show.
  auto session = std::make_unique<orlin::view::ViewSession>(options.frames, options.skip_repeats);
  if (!options.v4l2.empty()) session->AddWriter(std::make_unique<orlin::view::V4l2Writer>(options.v4l2));
  orlin::view::Y4mWriter* y4m = nullptr;
  if (!options.y4m.empty()) {
    auto writer = std::make_unique<orlin::view::Y4mWriter>(options.y4m, 0);
    y4m = writer.get();
    session->AddWriter(std::move(writer));
  }
  if (!options.png.empty()) session->AddWriter(std::make_unique<orlin::view::PngWriter>(options.png));
  const std::string unopened = session->OpenWriters();
  if (!unopened.empty()) {
    std::fprintf(stderr, "orlin-view: %s\n", unopened.c_str());
    session->Finish();  // removes what opening created
    return 1;
  }

  orlin::ComRef<IBaseFilter> filter;
  hr = OpenDevice(devices.Get(), options.device, filter.Receive());
  if (FAILED(hr)) {
    std::fprintf(stderr, "orlin-view: cannot open \"%s\" (0x%08X)%s%s\n", Utf8(options.device).c_str(),
                 static_cast<unsigned>(hr), hr == REGDB_E_CLASSNOTREG ? ": is it registered? (see --help) " : ": ",
                 orlin::InProcessServerError().c_str());
    session->Finish();
    return 1;
  }
  // Asked inside each delivery, it says what that very sample holds.
  orlin::ComRef<orlin::filter::IOrlinStreamStatus> status;
  if (FAILED(filter->QueryInterface(orlin::filter::IID_IOrlinStreamStatus, status.ReceiveVoid()))) status.Clear();
  orlin::ComRef<orlin::filter::IOrlinSenderFilter> sender_filter;
  if (FAILED(filter->QueryInterface(orlin::filter::IID_IOrlinSenderFilter, sender_filter.ReceiveVoid()))) {
    sender_filter.Clear();
  }
  ForeignSenders foreign(sender_filter.Get());
#ifdef ORLIN_VIEW_WINDOW
  std::unique_ptr<orlin::view::PreviewWindow> window;  // outlives the host, which posts to it
#endif
  orlin::view::ViewSession* sink = session.get();
  orlin::filter::IOrlinStreamStatus* camera = status.Get();
  orlin::view::GraphHost host(filter.Get(), options.device, [sink, camera](const BYTE* data, LONG size) -> HRESULT {
    orlin::view::SampleKind kind = orlin::view::SampleKind::kUnknown;
    orlin::filter::OrlinStreamStatus answer{};
    if (camera != nullptr && SUCCEEDED(camera->GetStreamStatus(&answer))) kind = KindOf(answer.lastSample);
    return sink->OnSample(data, size, kind);
  });
  using Step = orlin::view::HostStep;
  int failed = 0;
  switch (host.FailedStep()) {
    case Step::kNone: break;
    case Step::kFindPin: failed = Fail("the device has no output pin", host.Status()); break;
    case Step::kAllocate: failed = Fail("out of memory", host.Status()); break;
    case Step::kClock: failed = Fail("no system clock", host.Status()); break;
    case Step::kJoin: failed = Fail("the device refused to join the graph", host.Status()); break;
    case Step::kSetClock: failed = Fail("the device refused the clock", host.Status()); break;
    case Step::kConnect:
      failed = Fail("cannot connect to the device's pin: check the PC settings' format", host.Status());
      break;
  }
  if (failed != 0) {
    session->Finish();
    return failed;
  }
  const orlin::view::FrameFormat format = *host.Format();
  session->SetFormat(format);
  if (y4m != nullptr) y4m->SetFrameInterval(format.frame_interval);
  const std::string title_prefix = Utf8(options.device) + " - ";
#ifdef ORLIN_VIEW_WINDOW
  if (options.window) {
    window = std::make_unique<orlin::view::PreviewWindow>();
    if (!window->Open(format, title_prefix + Waiting())) {
      std::fprintf(stderr, "orlin-view: %s\n", window->Error().c_str());
      host.Close();
      session->Finish();
      return 1;
    }
    orlin::view::PreviewWindow* shown = window.get();
    session->SetPreview([shown](const std::uint8_t* data, std::size_t size) { shown->Post(data, size); });
  }
#endif
  if (!options.quiet) std::fprintf(stderr, "orlin-view: %s from \"%s\"\n", format.Name().c_str(),
                                   Utf8(options.device).c_str());

  hr = host.Run();
  int result = 0;
  if (FAILED(hr)) {
    result = Fail("cannot run the device", hr);
  } else {
    WarnOfShortReceiveBuffer(host);
    const bool live = !options.quiet && isatty(STDERR_FILENO);
    StatusOutput out(live);
    if (!options.quiet && !live) out.Line("orlin-view: " + Waiting());
    const auto began = std::chrono::steady_clock::now();
    auto next_status = began;
    std::string said;  // the diagnosis printed last
    for (;;) {
      // The camera's sentence, once per change: even with --quiet, it is why
      // nothing arrives.
      const CameraState state = AskCamera(camera);
      if (state.diagnosis != said && !state.diagnosis.empty()) out.Line("orlin-view: " + state.diagnosis);
      said = state.diagnosis;
      if (!options.quiet) foreign.SayNew(out);
      if (stop_requested || session->Done()) break;
#ifdef ORLIN_VIEW_WINDOW
      if (window) {
        if (!window->Pump(std::chrono::milliseconds(100))) break;
      } else {
        session->WaitFor(std::chrono::milliseconds(250));
      }
#else
      session->WaitFor(std::chrono::milliseconds(250));
#endif
      const auto now = std::chrono::steady_clock::now();
      if (now >= next_status) {
        next_status = now + std::chrono::milliseconds(250);
        const orlin::view::SessionCounts counts = session->Counts();
        const double fps = static_cast<double>(session->FramesInLastSecond());
        const bool waiting = counts.fresh == 0 && !state.mismatch;
        out.Live(waiting          ? Waiting()
                 : state.mismatch ? CountsText(counts, fps) + ", " + kNoMatch
                                  : CountsText(counts, fps));
#ifdef ORLIN_VIEW_WINDOW
        if (window) {
          window->SetTitle(title_prefix + (!state.diagnosis.empty() ? state.diagnosis
                                           : state.mismatch            ? std::string(kNoMatch)
                                           : waiting                   ? Waiting()
                                                                       : Printed("%.0f fps", fps)));
        }
#endif
      }
      if (options.seconds > 0 && std::chrono::duration<double>(now - began).count() >= options.seconds) break;
    }
    host.Stop();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const orlin::view::SessionCounts counts = session->Counts();
    out.Clear();
    if (!options.quiet) {
      foreign.SayNew(out);
      out.Line(CountsText(counts, elapsed > 0 ? counts.fresh / elapsed : 0.0));
      const std::string ignored = foreign.Summary();
      if (!ignored.empty()) out.Line(ignored);
    }
  }
  host.Close();

  const std::string error = session->Finish();
  if (!error.empty()) {
    std::fprintf(stderr, "orlin-view: %s\n", error.c_str());
    result = 1;
  }
  // The filter reports a failed fill to its graph and stops delivering.
  for (const orlin::RecordedEvent& event : host.Events()) {
    if (event.code == EC_ERRORABORT) {
      std::fprintf(stderr, "orlin-view: the device stopped with an error (0x%08X)\n",
                   static_cast<unsigned>(event.param1));
      result = 1;
    }
  }
  return result;
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
