#include "bench/end_to_end/pc_host.h"

#include <pthread.h>
#include <time.h>

#include "bench/end_to_end/frame_stamp.h"
#include "filter/orlin_filter.h"
#include "view/viewer_graph.h"
#include "view/viewer_pin.h"

namespace orlin::bench {
namespace {

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

PcHost::PcHost(int width, std::size_t chunks, std::size_t chunkBytes)
    : width_(width), chunks_(chunks), chunkBytes_(chunkBytes) {
  deliveries_.reserve(100000);  // nothing allocated while timing
  HRESULT hr = S_OK;
  auto* object = filter::OrlinFilter::CreateInstance(nullptr, &hr);
  if (object == nullptr) return;
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(IID_IBaseFilter, filter_.ReleaseAndGetVoidAddress());
  object->NonDelegatingRelease();
  if (FAILED(hr)) return;
  events_ = RecordingEventSink::Create();
  graph_ = new view::ViewerGraph(events_);
  filter_->JoinFilterGraph(graph_, ORLIN_TEXT("Orlin Camera"));
  if (FAILED(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                              clock_.ReleaseAndGetVoidAddress()))) {
    return;
  }
  filter_->SetSyncSource(clock_.Get());
  if (filter_->FindPin(ORLIN_TEXT("1"), output_.ReleaseAndGetAddressOf()) != S_OK) return;
  *input_.ReleaseAndGetAddressOf() =
      view::ViewerPin::Create([this](const BYTE* data, LONG size) { return OnSample(data, size); });
  ready_ = input_ && output_->Connect(input_.Get(), nullptr) == S_OK;
}

PcHost::~PcHost() {
  if (filter_) {
    filter_->Stop();
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

HRESULT PcHost::Run() {
  REFERENCE_TIME now = 0;
  clock_->GetTime(&now);
  return filter_->Run(now);
}

HRESULT PcHost::Stop() { return filter_->Stop(); }

HRESULT PcHost::OnSample(const BYTE* data, LONG size) {
  const auto when = Clock::now();
  const std::uint32_t number = size >= LONG(chunks_ * chunkBytes_) && size >= width_ * kStampBlock
                                  ? ReadWholeFrameNumber(data, width_, chunks_, chunkBytes_)
                                  : 0;
  const double cpu = ThreadCpuSeconds();
  std::lock_guard lock(mutex_);
  deliveries_.push_back({number, when, cpu});
  delivered_.notify_all();
  return S_OK;
}

std::vector<Delivery> PcHost::Deliveries() const {
  std::lock_guard lock(mutex_);
  return deliveries_;
}

std::size_t PcHost::Count() const {
  std::lock_guard lock(mutex_);
  return deliveries_.size();
}

bool PcHost::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return delivered_.wait_for(lock, timeout, [&] { return deliveries_.size() >= count; });
}

std::size_t PcHost::Events() const { return events_ == nullptr ? 0 : events_->Events().size(); }

}  // namespace orlin::bench
