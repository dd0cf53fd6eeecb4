#include "tests/soak/hosted_camera.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#include "tests/filter/class_object_camera.h"

namespace orlin::soak {
namespace {

// Inodes of UDP sockets on port 4444 that belong to other programs.
std::set<std::string> OthersOnTheStreamPort() {
  std::set<std::string> ours;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind("socket:[", 0) == 0) ours.insert(target.substr(8, target.size() - 9));
  }
  std::set<std::string> others;
  std::ifstream table("/proc/net/udp");
  std::string line;
  std::getline(table, line);  // headings
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
    if (local.size() > 5 && local.substr(local.size() - 5) == ":115C" && ours.count(inode) == 0) {
      others.insert(inode);
    }
  }
  return others;
}

// The stream's port is fixed: a soak that shares it with another program (a
// test of the filter run beside it) gets that program's datagrams too. Wait
// a while for it to finish first.
void WaitForTheStreamPort() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (!OthersOnTheStreamPort().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

}  // namespace

HostedCamera::HostedCamera(Check check)
    : check_(std::move(check)),
      created_(filter::test::CreateCameraFromClassObject(filter_)),
      host_(filter_.Get(), u"Orlin Camera",
            [this](const BYTE* data, LONG size) { return OnSample(data, size); }) {
  EXPECT_EQ(created_, S_OK) << "could not create the filter";
  EXPECT_EQ(host_.Status(), S_OK) << "could not " << view::HostStepText(host_.FailedStep());
  WaitForTheStreamPort();  // the filter binds it when it runs
}

HostedCamera::~HostedCamera() {
  if (Connected()) {
    EXPECT_EQ(Stop(), S_OK);
  }
}

HRESULT HostedCamera::Run() { return host_.Run(); }

HRESULT HostedCamera::Stop() {
  const auto start = std::chrono::steady_clock::now();
  const HRESULT hr = host_.Stop();
  lastStop_ = std::chrono::steady_clock::now() - start;
  return hr;
}

HRESULT HostedCamera::OnSample(const BYTE* data, LONG size) {
  if (check_) check_(data, size);
  std::lock_guard lock(mutex_);
  ++delivered_;
  delivered_changed_.notify_all();
  return S_OK;
}

std::uint64_t HostedCamera::Delivered() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

bool HostedCamera::WaitForMoreThan(std::uint64_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return delivered_changed_.wait_for(lock, timeout, [&] { return delivered_ > count; });
}

}  // namespace orlin::soak
