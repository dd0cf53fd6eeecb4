#include "tests/soak/hosted_camera.h"

#include <gtest/gtest.h>

#include "filter/framework/base_filter.h"
#include "filter/orlin_filter.h"
#include "view/viewer_graph.h"
#include "view/viewer_pin.h"

namespace orlin::soak {

HostedCamera::HostedCamera(Check check) : check_(std::move(check)) {
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
