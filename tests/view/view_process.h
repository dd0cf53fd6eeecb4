// For the tests that run orlin-view as a program: starting it (and the tools)
// and the phone's sender streaming to it over loopback.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "phone/frame_sender.h"
#include "tests/phone/support/camera_script.h"

extern char** environ;

namespace orlin::test {

// Runs `args` and returns its exit status, or -1; with `background`, starts it
// and returns 0 with its pid there. `out` set: its stdout and stderr go to it.
inline int Spawn(std::vector<std::string> args, pid_t* background = nullptr, const std::string& out = "") {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!out.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  if (background != nullptr) {
    *background = pid;
    return 0;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The phone's sender, connected for frames of `bytes` and streaming to
// 127.0.0.1 on the stream's port.
class LoopbackSender {
 public:
  LoopbackSender(std::uint32_t fourcc, int width, int height, std::size_t bytes, int compression) {
    sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
    sender_.SetCodecRequest(compression, 0, 0);
    orlin::test::CameraScript camera;
    camera.OfferVideo(fourcc, width, height, static_cast<std::int32_t>(bytes));
    connected_ = camera.ConnectTo(sender_.InputPin()) == S_OK && sender_.OpenNetwork() == S_OK;
    sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input_));
  }
  ~LoopbackSender() {
    if (input_ != nullptr) input_->Release();
    sender_.CloseNetwork();
  }
  LoopbackSender(const LoopbackSender&) = delete;
  LoopbackSender& operator=(const LoopbackSender&) = delete;

  bool Connected() const { return connected_ && input_ != nullptr; }
  void Send(std::vector<BYTE>& frame) {
    TestSample sample(frame);
    if (input_ != nullptr) input_->Receive(&sample);
  }

 private:
  orlin::phone::FrameSender sender_;
  IMemInputPin* input_ = nullptr;
  bool connected_ = false;
};

}  // namespace orlin::test
