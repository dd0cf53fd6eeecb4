// view_latency_bench: latency as the user sees it, from outside orlin-view.
// The phone's FrameSender sends camera test frames, a number stamped into
// each, to 127.0.0.1:4444 at 30 frames/s; the built orlin-view receives them
// through "Orlin Camera", registered in a PC settings hive of the bench's own,
// and writes Y4M to its standard output, a pipe, as in `orlin-view --y4m - |
// mpv -`. This side reads the pipe as a player does and, for each frame read
// whole, takes the time from the frame being handed to the sender (so coding
// and sendto count) to its last byte read.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "bench/view_latency/stamped_sender.h"
#include "bench/view_latency/stream_port.h"
#include "bench/view_latency/view_output.h"
#include "wire/four_cc.h"
#include "settings/video_format_settings.h"

extern char** environ;

namespace {

using orlin::bench::Clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr const char* kUsage =
    "usage: view_latency_bench [--frames N] [--level L] [--size WxH] [--mode raw|compressed] "
    "[--view PATH]\n"
    "Sends camera test frames with the phone's sender to 127.0.0.1:4444 at 30 frames/s and\n"
    "reads them back from the standard output (a pipe) of `orlin-view --y4m -`, for 176x144\n"
    "and 320x240 compressed and raw and 640x480 raw. Prints, per case, the time from a frame\n"
    "handed to the sender to its last byte read from the pipe: median, 99th percentile and\n"
    "maximum, and the frames that never came. orlin-view must have UDP port 4444 to itself:\n"
    "the bench waits for it to be free, and runs a case again (twice at most) when another\n"
    "program bound it meanwhile. The PC settings go to a hive of the bench's own.\n"
    "  --frames N    frames timed per case (default 300, 10 s)\n"
    "  --level L     reduction level of the compressed cases (default 2)\n"
    "  --size WxH    only this size\n"
    "  --mode M      only raw, or only compressed\n"
    "  --view PATH   this orlin-view instead of the one built beside the bench\n";

constexpr auto kInterval = std::chrono::microseconds(33333);

struct Case {
  int width;
  int height;
  bool raw;
};

struct Figures {
  std::size_t timed = 0;
  std::size_t lost = 0;
  std::size_t not_whole = 0;
  bool shared = false;  // another program bound the port during the run
  double p50 = 0, p99 = 0, max = 0;
  double sender_p50 = 0;
  double bytes_per_frame = 0;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, std::size_t(share * double(values.size() - 1) + 0.5))];
}

int Spawn(const std::vector<std::string>& args, const std::string& log) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The first figure of /proc/loadavg: on a shared machine the tail of the
// latencies follows it.
std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string figure;
  file >> figure;
  return figure;
}

// The share of the last 60 s in which some task waited for a CPU, from
// /proc/pressure/cpu ("some avg10=... avg60=..."); empty when not there.
std::string CpuPressure() {
  std::ifstream file("/proc/pressure/cpu");
  std::string field;
  while (file >> field) {
    if (field.rfind("avg60=", 0) == 0) return field.substr(6) + " %";
  }
  return {};
}

void PrintFile(const std::string& path) {
  std::ifstream file(path);
  std::cerr << file.rdbuf();
}

// Compressed frames: the phone sends YV12, the PC takes IYUV, and SwapUV puts
// the decoder's V-first planes in U, V order. Raw frames: I420 both ends.
bool StoreSettings(const Case& c) {
  orlin::settings::VideoFormatSettings pc{};
  pc.FourCC = c.raw ? orlin::wire::kFourCC_I420 : orlin::wire::kFourCC_IYUV;
  pc.Width = DWORD(c.width);
  pc.Height = DWORD(c.height);
  pc.BitsPerPixel = 12;
  pc.Compression = c.raw ? 0 : 1;
  pc.SwapUV = c.raw ? 0 : 1;
  return orlin::settings::WriteVideoFormatSettings(pc) == ERROR_SUCCESS;
}

bool Measure(const Case& c, int level, int frames, const std::string& view, const std::string& log,
             Figures& out) {
  if (!StoreSettings(c)) return false;
  orlin::bench::StampedSender phone(ORLIN_BENCH_DATA_DIR, c.width, c.height, c.raw ? -1 : level);
  if (!phone.Ready()) {
    std::fprintf(stderr, "view_latency_bench: the phone's sender could not be set up\n");
    return false;
  }
  if (!orlin::bench::WaitForTheStreamPort(std::chrono::seconds(120))) {
    std::fprintf(stderr, "view_latency_bench: UDP port 4444 is still taken; measuring anyway\n");
  }
  orlin::bench::ViewOutput output(view, log, phone.Chunks(), phone.ChunkBytes());
  if (!output.Started()) {
    std::fprintf(stderr, "view_latency_bench: cannot start %s\n", view.c_str());
    return false;
  }

  // Until orlin-view listens and its first frame comes through, then a few
  // more at the pace of the timed ones.
  std::uint32_t number = 0;
  Clock::duration took{};
  const auto give_up = Clock::now() + std::chrono::seconds(15);
  bool flowing = false;
  while (!flowing && Clock::now() < give_up) {
    phone.Send(++number, &took);
    flowing = output.WaitFor(1, kInterval);
  }
  if (!flowing) {
    output.Stop();
    std::fprintf(stderr, "view_latency_bench: no frame came out of orlin-view; its log:\n");
    PrintFile(log);
    return false;
  }
  for (int i = 0; i < 15; ++i) {
    phone.Send(++number, &took);
    std::this_thread::sleep_for(kInterval);
  }

  const std::uint32_t first = number + 1;
  std::vector<Clock::time_point> handed(std::size_t(frames), Clock::time_point{});
  std::vector<double> sender_ms;
  const auto start = Clock::now() + kInterval;
  for (int i = 0; i < frames; ++i) {
    std::this_thread::sleep_until(start + kInterval * i);
    handed[std::size_t(i)] = phone.Send(++number, &took);
    sender_ms.push_back(Ms(took).count());
    // Half a frame later, when the frame is long through: anyone else on the port?
    std::this_thread::sleep_until(start + kInterval * i + kInterval / 2);
    if (orlin::bench::OthersOnTheStreamPort(output.Pid()) != 0) out.shared = true;
  }
  output.WaitFor(number, std::chrono::seconds(1));
  const int status = output.Stop();
  if (status != 0) {
    std::fprintf(stderr, "view_latency_bench: orlin-view exited with status %d; its log:\n",
                 status);
    PrintFile(log);
  }

  std::unordered_map<std::uint32_t, Clock::time_point> arrived;
  for (const orlin::bench::FrameRead& frame : output.Frames()) {
    if (frame.number >= first && frame.number <= number) arrived.emplace(frame.number, frame.when);
    if (frame.number == 0 && frame.when > handed.front()) ++out.not_whole;
  }
  std::vector<double> latencies;
  for (int i = 0; i < frames; ++i) {
    const auto found = arrived.find(first + std::uint32_t(i));
    if (found != arrived.end())
      latencies.push_back(Ms(found->second - handed[std::size_t(i)]).count());
  }
  out.timed = std::size_t(frames);
  out.lost = out.timed - latencies.size();
  out.p50 = Percentile(latencies, 0.5);
  out.p99 = Percentile(latencies, 0.99);
  out.max = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
  out.sender_p50 = Percentile(sender_ms, 0.5);
  out.bytes_per_frame = phone.BytesPerFrame();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 300;
  int level = 2;
  int only_width = 0, only_height = 0;
  int only_raw = -1;  // -1: both modes
  std::string view = ORLIN_VIEW;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("view_latency_bench %s\n", ORLIN_VERSION);
      return 0;
    }
    if (arg == "--frames" && has_value) {
      frames = std::atoi(argv[++i]);
    } else if (arg == "--level" && has_value) {
      level = std::atoi(argv[++i]);
    } else if (arg == "--size" && has_value &&
               std::sscanf(argv[++i], "%dx%d", &only_width, &only_height) == 2) {
    } else if (arg == "--mode" && has_value) {
      const std::string mode = argv[++i];
      only_raw = mode == "raw" ? 1 : mode == "compressed" ? 0 : -2;
    } else if (arg == "--view" && has_value) {
      view = argv[++i];
    } else {
      std::fprintf(stderr, "view_latency_bench: unknown or incomplete argument '%s'\n%s",
                   arg.c_str(), kUsage);
      return 2;
    }
  }
  if (frames <= 0 || level < 0 || level > 3 || only_raw == -2) {
    std::fprintf(
        stderr,
        "view_latency_bench: --frames must be positive, --level 0-3, --mode raw or compressed\n");
    return 2;
  }

  // A hive of the bench's own, with the library registered in it: the user's
  // PC settings stay as they are.
  char dir_template[] = "/tmp/view_latency_bench.XXXXXX";
  if (mkdtemp(dir_template) == nullptr) {
    std::perror("view_latency_bench: mkdtemp");
    return 1;
  }
  const std::string dir = dir_template;
  ::setenv("ORLIN_PC_REGISTRY", (dir + "/pc.reg").c_str(), 1);
  if (Spawn({ORLIN_REGSVR, ORLIN_LIBRARY}, dir + "/regsvr.log") != 0) {
    std::fprintf(stderr, "view_latency_bench: orlin-regsvr failed:\n");
    PrintFile(dir + "/regsvr.log");
    std::filesystem::remove_all(dir);
    return 1;
  }

  std::printf(
      "| size | mode | frames | p50 ms | p99 ms | max ms | lost | not whole | sender p50 ms | "
      "bytes/frame |\n"
      "|---|---|---|---|---|---|---|---|---|---|\n");
  const std::string load_before = LoadAverage();
  const Case cases[] = {
      {176, 144, false}, {176, 144, true}, {320, 240, false}, {320, 240, true}, {640, 480, true}};
  int failures = 0;
  for (const Case& c : cases) {
    if (only_width != 0 && (c.width != only_width || c.height != only_height)) continue;
    if (only_raw != -1 && c.raw != (only_raw == 1)) continue;
    const std::string mode = c.raw ? "raw I420" : "IYUV level " + std::to_string(level);
    // A run during which another program took datagrams off the port is
    // tried again, twice at most.
    Figures f;
    bool measured = false;
    for (int attempt = 0; attempt < 3 && (attempt == 0 || f.shared); ++attempt) {
      f = Figures{};
      measured = Measure(c, level, frames, view, dir + "/view.log", f);
      if (!measured) break;
    }
    if (!measured) {
      std::fprintf(stderr, "view_latency_bench: %dx%d %s could not be measured\n", c.width,
                   c.height, mode.c_str());
      ++failures;
      continue;
    }
    std::printf("| %dx%d | %s | %zu | %.2f | %.2f | %.2f | %zu | %zu | %.2f | %.0f |%s\n", c.width,
                c.height, mode.c_str(), f.timed, f.p50, f.p99, f.max, f.lost, f.not_whole,
                f.sender_p50, f.bytes_per_frame,
                f.shared ? " (another program shared port 4444)" : "");
    std::fflush(stdout);
  }
  std::printf("\nload average %s at the start, %s at the end", load_before.c_str(),
              LoadAverage().c_str());
  const std::string pressure = CpuPressure();
  if (!pressure.empty()) std::printf("; waiting for a CPU %s of the last minute", pressure.c_str());
  std::printf("\n");
  std::filesystem::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
