#include "bench/view_latency/view_output.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "bench/end_to_end/frame_stamp.h"

extern char** environ;

namespace orlin::bench {

ViewOutput::ViewOutput(const std::string& program, const std::string& log, std::size_t chunks,
                       std::size_t chunk_bytes)
    : chunks_(chunks), chunk_bytes_(chunk_bytes) {
  frames_.reserve(100000);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string args[] = {program, "--y4m", "-"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (spawned != 0) {
    close(ends[0]);
    return;
  }
  pid_ = pid;
  reader_ = std::thread(&ViewOutput::Read, this, ends[0]);
}

ViewOutput::~ViewOutput() {
  Stop();
}

int ViewOutput::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  if (reader_.joinable()) reader_.join();  // orlin-view gone: the pipe ends
  return status_;
}

bool ViewOutput::WaitFor(std::uint32_t number, Clock::duration timeout) const {
  std::unique_lock lock(mutex_);
  return read_.wait_for(lock, timeout, [&] {
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
      if (frame->number >= number) return true;
    }
    return false;
  });
}

std::vector<FrameRead> ViewOutput::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

// "YUV4MPEG2 W320 H240 F30:1 Ip A1:1 C420": the size of a frame follows from
// the width, the height and the sampling.
bool ViewOutput::ParseHeader(const std::string& line) {
  std::istringstream fields(line);
  std::string field;
  int width = 0, height = 0;
  std::string colour = "420";
  fields >> field;
  if (field != "YUV4MPEG2") return false;
  while (fields >> field) {
    if (field[0] == 'W') width = std::atoi(field.c_str() + 1);
    if (field[0] == 'H') height = std::atoi(field.c_str() + 1);
    if (field[0] == 'C') colour = field.substr(1, 3);
  }
  if (width < kStampBits * kStampBlock || height < kStampBlock) return false;
  const std::size_t luma = std::size_t(width) * std::size_t(height);
  const std::size_t chroma = colour == "444" ? luma
                             : colour == "422"
                                 ? std::size_t((width + 1) / 2) * std::size_t(height)
                                 : std::size_t((width + 1) / 2) * std::size_t((height + 1) / 2);
  width_ = width;
  frame_bytes_ = luma + 2 * chroma;
  return frame_bytes_ >= chunks_ * chunk_bytes_;
}

// Reads as a player does: whatever the pipe holds, as soon as it holds it.
void ViewOutput::Read(int fd) {
  enum class State { kHeader, kMarker, kFrame, kBroken } state = State::kHeader;
  std::vector<std::uint8_t> input(1 << 20);
  std::vector<std::uint8_t> frame;
  std::string line;
  std::size_t filled = 0;
  for (;;) {
    const ssize_t got = read(fd, input.data(), input.size());
    const auto when = Clock::now();
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (std::size_t at = 0; at < std::size_t(got) && state != State::kBroken;) {
      if (state == State::kFrame) {
        const std::size_t take = std::min(std::size_t(got) - at, frame.size() - filled);
        std::copy_n(input.begin() + std::ptrdiff_t(at), take,
                    frame.begin() + std::ptrdiff_t(filled));
        at += take;
        filled += take;
        if (filled == frame.size()) {
          const std::uint32_t number =
              ReadWholeFrameNumber(frame.data(), width_, chunks_, chunk_bytes_);
          std::lock_guard lock(mutex_);
          frames_.push_back({number, when});
          read_.notify_all();
          state = State::kMarker;
        }
        continue;
      }
      const char c = char(input[at++]);
      if (c != '\n') {
        line += c;
        if (line.size() > 1000) state = State::kBroken;
        continue;
      }
      if (state == State::kHeader) {
        state = ParseHeader(line) ? State::kMarker : State::kBroken;
        frame.resize(frame_bytes_);
      } else {
        state = line.rfind("FRAME", 0) == 0 ? State::kFrame : State::kBroken;
        filled = 0;
      }
      line.clear();
    }
  }
  close(fd);
}

}  // namespace orlin::bench
