#include "tests/phone/shell_program.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace orlin::test {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

PhoneScratch::PhoneScratch() {
  std::string pattern = ::testing::TempDir() + "orlin-phone-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  dir_ = pattern;
}

PhoneScratch::~PhoneScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> PhoneScratch::Environment() const {
  return {"ORLIN_PHONE_REGISTRY=" + Hive(), "XDG_RUNTIME_DIR=" + dir_};
}

PhoneProcess::PhoneProcess(const PhoneScratch& scratch, const std::vector<std::string>& args,
                           const std::string& name)
    : out_(scratch.Dir() + "/" + name + ".out"), err_(scratch.Dir() + "/" + name + ".err") {
  // Everything the child needs is made before the fork: a test process has
  // threads, and the child may only call what is safe after one.
  std::vector<std::string> argv{ORLIN_PHONE_PROGRAM};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> environment = scratch.Environment();
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string pair = *entry;
    if (!pair.starts_with("ORLIN_PHONE_REGISTRY=") && !pair.starts_with("XDG_RUNTIME_DIR=")) {
      environment.push_back(pair);
    }
  }
  std::vector<char*> argPointers;
  for (std::string& arg : argv) argPointers.push_back(arg.data());
  argPointers.push_back(nullptr);
  std::vector<char*> envPointers;
  for (std::string& pair : environment) envPointers.push_back(pair.data());
  envPointers.push_back(nullptr);
  const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execve(argPointers[0], argPointers.data(), envPointers.data());
    ::_exit(127);
  }
  ::close(out);
  ::close(err);
  EXPECT_GT(pid_, 0) << "fork failed";
}

PhoneProcess::~PhoneProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void PhoneProcess::Signal(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

int PhoneProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace orlin::test
