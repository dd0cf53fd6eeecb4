#include "tests/soak/hosted_camera.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#include "filter/framework/base_filter.h"
#include "filter/orlin_filter.h"
#include "view/viewer_graph.h"
#include "view/viewer_pin.h"

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

HostedCamera::HostedCamera(Check check) : check_(std::move(check)) {
  WaitForTheStreamPort();
  HRESULT hr = S_OK;
  auto* object = filter::OrlinFilter::CreateInstance(nullptr, &hr);
  if (object == nullptr || FAILED(hr)) {
    ADD_FAILURE() << "no filter: " << std::hex << hr;
    delete object;
    return;
  }
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(IID_IBaseFilter, filter_.ReleaseAndGetVoidAddress());
  object->NonDelegatingRelease();
  if (FAILED(hr)) {
    ADD_FAILURE() << "no IBaseFilter";
    return;
  }
  events_ = RecordingEventSink::Create();
  graph_ = new view::ViewerGraph(events_);
  EXPECT_EQ(filter_->JoinFilterGraph(graph_, ORLIN_TEXT("Orlin Camera")), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                             clock_.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(filter_->SetSyncSource(clock_.Get()), S_OK);
  EXPECT_EQ(filter_->FindPin(ORLIN_TEXT("1"), output_.ReleaseAndGetAddressOf()), S_OK);
  view::ViewerPin* pin = view::ViewerPin::Create([this](const BYTE* data, LONG size) {
    return OnSample(data, size);
  });
  *input_.ReleaseAndGetAddressOf() = pin;
  connected_ = output_ && input_ && output_->Connect(input_.Get(), nullptr) == S_OK;
  EXPECT_TRUE(connected_) << "the filter's pin did not connect to the viewer's";
}

HostedCamera::~HostedCamera() {
  if (filter_) {
    EXPECT_EQ(Stop(), S_OK);
    if (output_) output_->Disconnect();
    if (input_) input_->Disconnect();
    filter_->SetSyncSource(nullptr);
    filter_->JoinFilterGraph(nullptr, nullptr);
  }
  output_.Reset();
  input_.Reset();
  clock_.Reset();
  filter_.Reset();
  if (graph_ != nullptr) graph_->Release();
  if (events_ != nullptr) events_->Release();
}

HRESULT HostedCamera::Run() {
  REFERENCE_TIME now = 0;
  if (clock_) clock_->GetTime(&now);
  return filter_->Run(now);
}

HRESULT HostedCamera::Stop() {
  const auto start = std::chrono::steady_clock::now();
  const HRESULT hr = filter_->Stop();
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

std::size_t HostedCamera::Events() const { return events_ == nullptr ? 0 : events_->Events().size(); }

}  // namespace orlin::soak
