// end_to_end_bench: the whole chain on one machine. The phone's test camera
// draws 30 frames beforehand, which are taken in turn with a number stamped in; the phone's FrameSender
// sends it (raw, or compressed at a reduction level) over 127.0.0.1:4444; the
// camera filter, hosted in a graph with the system clock, fills a sample from
// it and delivers it to orlin-view's input pin, which reads the number back.
//
// For each size and mode two runs:
//   flat out: each frame is captured once the filter has delivered the one
//             before the last (two in flight), for --seconds; frames per second
//             delivered, and CPU per frame of the phone's sending thread
//             (sender only: corrections, coding, sendto) and of the
//             filter's streaming thread;
//   30 frames/s: --frames frames at the camera's own rate; time from capture
//             (the frame handed to the sender) to delivery (the sample in the
//             sink), median and 99th percentile, and frames that never came.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "bench/end_to_end/frame_stamp.h"
#include "bench/end_to_end/pc_host.h"
#include "orlin/dshow.h"
#include "phone/cameras/frame_sample.h"
#include "phone/cameras/pixel_formats.h"
#include "phone/cameras/test_camera.h"
#include "phone/frame_sender.h"
#include "settings/video_format_settings.h"
#include "wire/chunk_geometry.h"
#include "wire/four_cc.h"
#include "wire/frame_piece.h"

namespace {

using orlin::bench::Clock;
using orlin::bench::Delivery;
using orlin::bench::PcHost;
using Ms = std::chrono::duration<double, std::milli>;

constexpr const char* kUsage =
    "usage: end_to_end_bench [--seconds S] [--frames N] [--size WxH] [--mode raw|0|1|2|3] [--pace MS]\n"
    "                        [--piece-gap US]\n"
    "Test camera -> FrameSender -> 127.0.0.1:4444 -> camera filter in a graph -> sink, for\n"
    "176x144, 320x240, 640x480, 1280x720 and 1920x1080, raw and compressed at levels 0-3.\n"
    "Prints frames per second flat out, capture-to-delivery time at 30 frames/s (median,\n"
    "99th percentile) and CPU per frame of the phone's sending thread and the filter's\n"
    "streaming thread.\n"
    "Needs UDP port 4444 to itself; the PC settings go to a hive file of its own.\n"
    "  --seconds S   length of each flat-out run (default 3)\n"
    "  --frames N    frames of each 30 frames/s run (default 300)\n"
    "  --size WxH    only this size\n"
    "  --mode M      only raw, or only level M\n"
    "  --pace MS     spread raw frames' chunks over MS milliseconds (orlin-phone --pace)\n"
    "  --piece-gap US  a large frame's pieces one every US microseconds after the first\n"
    "                burst (0: back to back) instead of the sender's default pacing\n";

struct Case {
  int width;
  int height;
  int level;  // -1: raw
  int paceMs;  // the sender's chunk spread
  int pieceGapUs;  // the gap between a large frame's pieces; -1: the sender's own pacing
};

struct Figures {
  double framesPerSecond = 0;
  double phoneUsPerFrame = 0;
  double pcUsPerFrame = 0;
  double bytesPerFrame = 0;
  double medianMs = 0;
  double p99Ms = 0;
  std::size_t paced = 0;
  std::size_t lost = 0;
  std::size_t notWhole = 0;  // samples that held no frame whole, both runs
};

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t at = std::min(values.size() - 1, std::size_t(share * double(values.size() - 1) + 0.5));
  return values[at];
}

// The phone: the test camera's frames, stamped, handed to the sender's pin.
class Phone {
 public:
  Phone(const Case& c) : width_(c.width) {
    std::size_t index = 0;
    const auto& formats = camera_.Formats();
    while (index < formats.size() &&
           !(formats[index].pixels == orlin::phone::cameras::PixelFormat::kYV12 &&
             formats[index].width == c.width && formats[index].height == c.height)) {
      ++index;
    }
    if (index == formats.size() || !camera_.Start(index)) return;
    // Drawn before timing, so that only the chain is measured.
    for (auto& frame : frames_) {
      frame.resize(orlin::phone::cameras::FrameBytes(formats[index]));
      if (camera_.ReadFrame(frame.data(), frame.size()) != orlin::phone::cameras::FrameResult::kFrame) return;
    }

    sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
    sender_.SetChunkSpread(std::chrono::milliseconds(c.paceMs));
    if (c.pieceGapUs >= 0) {
      auto pacing = sender_.GetPiecePacing();
      pacing.gap = std::chrono::microseconds(c.pieceGapUs);
      sender_.SetPiecePacing(pacing);
    }
    sender_.SetCodecRequest(c.level >= 0 ? 1 : 0, 0, c.level >= 0 ? c.level : 0);
    AM_MEDIA_TYPE type{};
    VIDEOINFOHEADER info{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_YV12;
    type.lSampleSize = ULONG(frames_[0].size());
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = c.height;
    if (sender_.InputPin()->ReceiveConnection(nullptr, &type) != S_OK) return;
    if (sender_.OpenNetwork() != S_OK) return;
    if (sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input_)) != S_OK) return;
    ready_ = sender_.Compression() == (c.level >= 0 ? 1 : 0);
    raw_ = c.level < 0;
    // Raw frames carry the number at the start of every chunk, or of every
    // piece of a large frame.
    const auto frameBytes = std::int64_t(frames_[0].size());
    const bool counted = orlin::wire::FitsCountedChunks(frameBytes);
    if (raw_) {
      chunks_ = std::size_t(counted ? sender_.ChunkCount() : orlin::wire::PieceCountOf(frameBytes));
      chunk_bytes_ = std::size_t(counted ? sender_.ChunkSize() : orlin::wire::kPiecePayloadBytes);
    }
  }
  std::size_t Chunks() const { return chunks_; }
  std::size_t ChunkBytes() const { return chunk_bytes_; }
  ~Phone() {
    if (input_ != nullptr) input_->Release();
    sender_.CloseNetwork();
  }
  bool Ready() const { return ready_; }

  // Frame `number`: the next of the drawn frames with the number stamped in.
  // Returns the capture time, just before the sender takes it. The sender's
  // thread CPU is added up around Receive only.
  Clock::time_point Capture(std::uint32_t number) {
    std::vector<BYTE>& frame = frames_[number % std::size(frames_)];
    orlin::bench::StampFrameNumber(frame.data(), width_, number);
    if (raw_) orlin::bench::StampChunks(frame.data(), chunks_, chunk_bytes_, number);
    sample_.Attach(frame.data(), LONG(frame.size()));
    const auto captured = Clock::now();
    const double before = ThreadCpuSeconds();
    input_->Receive(&sample_);
    send_cpu_ += ThreadCpuSeconds() - before;
    return captured;
  }
  double SendCpuSeconds() const { return send_cpu_; }
  double BytesPerFrame() const {
    return sender_.FramesSent() == 0 ? 0 : double(sender_.BytesSent()) / double(sender_.FramesSent());
  }

 private:
  int width_;
  orlin::phone::cameras::TestCamera camera_;
  orlin::phone::FrameSender sender_;
  orlin::phone::cameras::FrameSample sample_{sender_};
  std::vector<BYTE> frames_[30];
  IMemInputPin* input_ = nullptr;
  bool ready_ = false;
  bool raw_ = false;
  std::size_t chunks_ = 1;
  std::size_t chunk_bytes_ = 0;
  double send_cpu_ = 0;
};

bool StoreSettings(const Case& c) {
  orlin::settings::VideoFormatSettings pc{};
  pc.Width = DWORD(c.width);
  pc.Height = DWORD(c.height);
  pc.BitsPerPixel = 12;
  if (c.level >= 0) {
    // The phone compresses YV12; the decoder's planes come V first, which
    // SwapUV puts in IYUV's order.
    pc.FourCC = orlin::wire::kFourCC_IYUV;
    pc.Compression = 1;
    pc.SwapUV = 1;
  } else {
    pc.FourCC = orlin::wire::kFourCC_YV12;
  }
  return orlin::settings::WriteVideoFormatSettings(pc) == ERROR_SUCCESS;
}

// Frames delivered for the first time, by number, and when.
std::unordered_map<std::uint32_t, Clock::time_point> FirstDeliveries(const std::vector<Delivery>& all,
                                                                     std::size_t from) {
  std::unordered_map<std::uint32_t, Clock::time_point> first;
  for (std::size_t i = from; i < all.size(); ++i) {
    if (all[i].number != 0) first.emplace(all[i].number, all[i].when);
  }
  return first;
}

bool Measure(const Case& c, double seconds, int pacedFrames, Figures& out) {
  if (!StoreSettings(c)) return false;
  Phone phone(c);
  PcHost pc(c.width, phone.Chunks(), phone.ChunkBytes());
  if (!pc.Ready() || !phone.Ready() || pc.Run() != S_OK) return false;
  std::uint32_t number = 0;

  // Warm up: until frames come through.
  for (int i = 0; i < 10; ++i) {
    phone.Capture(++number);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  // Flat out, two frames in flight: frame i goes once frame i - 2 was delivered
  // (or 200 ms passed, when a frame was lost).
  std::size_t mark = pc.Count();
  const std::size_t flatMark = mark;
  const std::uint32_t firstFlat = number + 1;
  const double cpuBefore = phone.SendCpuSeconds();
  const auto deliveriesBefore = pc.Deliveries();
  const double workerBefore = deliveriesBefore.empty() ? 0 : deliveriesBefore.back().workerCpuSeconds;
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  std::uint32_t sent = 0;
  while (Clock::now() < end) {
    if (sent > 0) pc.WaitForCount(mark + sent - 1, std::chrono::milliseconds(200));
    phone.Capture(++number);
    ++sent;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto flat = pc.Deliveries();
  const auto flatFirst = FirstDeliveries(flat, mark);
  std::size_t fresh = 0;
  Clock::time_point last = start;
  for (const auto& [n, when] : flatFirst) {
    if (n >= firstFlat && n <= number) {
      ++fresh;
      last = std::max(last, when);
    }
  }
  const double elapsed = std::chrono::duration<double>(last - start).count();
  out.framesPerSecond = elapsed > 0 ? double(fresh) / elapsed : 0;
  out.phoneUsPerFrame = sent == 0 ? 0 : (phone.SendCpuSeconds() - cpuBefore) * 1e6 / double(sent);
  const std::size_t flatSamples = flat.size() - mark;
  out.pcUsPerFrame =
      flatSamples == 0 ? 0 : (flat.back().workerCpuSeconds - workerBefore) * 1e6 / double(flatSamples);
  out.bytesPerFrame = phone.BytesPerFrame();

  // 30 frames a second: capture to delivery.
  mark = pc.Count();
  const std::uint32_t firstPaced = number + 1;
  std::vector<Clock::time_point> captured{std::size_t(pacedFrames)};
  const auto pacedStart = Clock::now();
  for (int i = 0; i < pacedFrames; ++i) {
    std::this_thread::sleep_until(pacedStart + std::chrono::microseconds(33333) * i);
    captured[std::size_t(i)] = phone.Capture(++number);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto pacedFirst = FirstDeliveries(pc.Deliveries(), mark);
  std::vector<double> latencies;
  for (int i = 0; i < pacedFrames; ++i) {
    const auto found = pacedFirst.find(firstPaced + std::uint32_t(i));
    if (found != pacedFirst.end()) latencies.push_back(Ms(found->second - captured[std::size_t(i)]).count());
  }
  out.paced = std::size_t(pacedFrames);
  out.lost = std::size_t(pacedFrames) - latencies.size();
  out.medianMs = Percentile(latencies, 0.5);
  out.p99Ms = Percentile(latencies, 0.99);
  const auto all = pc.Deliveries();
  for (std::size_t i = flatMark; i < all.size(); ++i) out.notWhole += all[i].number == 0 ? 1 : 0;
  pc.Stop();
  if (pc.Events() != 0) std::fprintf(stderr, "the filter reported %zu events\n", pc.Events());
  return true;
}

std::string ModeName(int level) { return level < 0 ? "raw" : "level " + std::to_string(level); }

}  // namespace

int main(int argc, char** argv) {
  double seconds = 3;
  int frames = 300;
  int onlyWidth = 0, onlyHeight = 0;
  int onlyLevel = -2;  // -2: every mode
  int paceMs = 0;
  int pieceGapUs = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("end_to_end_bench %s\n", ORLIN_VERSION);
      return 0;
    }
    if (arg == "--seconds" && hasValue) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--frames" && hasValue) {
      frames = std::atoi(argv[++i]);
    } else if (arg == "--size" && hasValue && std::sscanf(argv[++i], "%dx%d", &onlyWidth, &onlyHeight) == 2) {
    } else if (arg == "--pace" && hasValue) {
      paceMs = std::atoi(argv[++i]);
    } else if (arg == "--piece-gap" && hasValue) {
      pieceGapUs = std::atoi(argv[++i]);
    } else if (arg == "--mode" && hasValue) {
      const std::string mode = argv[++i];
      onlyLevel = mode == "raw" ? -1 : std::atoi(mode.c_str());
    } else {
      std::fprintf(stderr, "end_to_end_bench: unknown or incomplete argument '%s'\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (seconds <= 0 || frames <= 0 || onlyLevel < -2 || onlyLevel > 3 || paceMs < 0) {
    std::fprintf(stderr,
                 "end_to_end_bench: --seconds and --frames must be positive, --mode raw or 0-3, --pace 0 or more\n");
    return 2;
  }

  // A hive of its own unless one is named: the user's PC settings stay as they are.
  std::string hive;
  if (std::getenv("ORLIN_PC_REGISTRY") == nullptr) {
    hive = "/tmp/end_to_end_bench." + std::to_string(::getpid()) + ".reg";
    ::setenv("ORLIN_PC_REGISTRY", hive.c_str(), 1);
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);

  std::printf("| size | mode | frames/s | median ms | p99 ms | lost at 30/s | not whole | phone us/frame | "
              "PC us/frame | bytes/frame |\n|---|---|---|---|---|---|---|---|---|---|\n");
  int failures = 0;
  for (const auto& [width, height] : {std::pair{176, 144}, std::pair{320, 240}, std::pair{640, 480},
                                     std::pair{1280, 720}, std::pair{1920, 1080}}) {
    if (onlyWidth != 0 && (width != onlyWidth || height != onlyHeight)) continue;
    for (int level = -1; level <= 3; ++level) {
      if (onlyLevel != -2 && level != onlyLevel) continue;
      Figures f;
      if (!Measure({width, height, level, paceMs, pieceGapUs}, seconds, frames, f)) {
        std::fprintf(stderr, "end_to_end_bench: %dx%d %s could not be set up\n", width, height,
                     ModeName(level).c_str());
        ++failures;
        continue;
      }
      std::printf("| %dx%d | %s | %.0f | %.2f | %.2f | %zu of %zu | %zu | %.0f | %.0f | %.0f |\n", width,
                  height, ModeName(level).c_str(), f.framesPerSecond, f.medianMs, f.p99Ms, f.lost, f.paced,
                  f.notWhole, f.phoneUsPerFrame, f.pcUsPerFrame, f.bytesPerFrame);
      std::fflush(stdout);
    }
  }
  CoUninitialize();
  if (!hive.empty()) std::remove(hive.c_str());
  return failures == 0 ? 0 : 1;
}
