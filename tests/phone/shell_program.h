// Running the real orlin-phone in a test: a scratch folder with the phone's
// hive and a lock folder of its own, and a child process with its output in
// files.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orlin::test {

std::string ReadFile(const std::string& path);

class PhoneScratch {
 public:
  PhoneScratch();
  ~PhoneScratch();
  PhoneScratch(const PhoneScratch&) = delete;
  PhoneScratch& operator=(const PhoneScratch&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string Hive() const { return dir_ + "/phone.reg"; }
  // NAME=VALUE pairs that point the program at this folder.
  std::vector<std::string> Environment() const;

 private:
  std::string dir_;
};

class PhoneProcess {
 public:
  // Starts orlin-phone with `args`, the scratch's environment, and its
  // standard output and error in files of the scratch folder.
  PhoneProcess(const PhoneScratch& scratch, const std::vector<std::string>& args,
               const std::string& name);
  ~PhoneProcess();
  PhoneProcess(const PhoneProcess&) = delete;
  PhoneProcess& operator=(const PhoneProcess&) = delete;

  void Signal(int signal);
  // The exit status, or -1 when it has not ended within `timeout` (or died of
  // a signal).
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::string Output() const { return ReadFile(out_); }
  std::string Errors() const { return ReadFile(err_); }

 private:
  pid_t pid_ = -1;
  std::string out_;
  std::string err_;
};

}  // namespace orlin::test
