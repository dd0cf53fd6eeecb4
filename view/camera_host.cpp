#include "view/camera_host.h"

#include "filter/orlin_filter.h"
#include "view/viewer_graph.h"
#include "view/viewer_pin.h"

namespace orlin::view {

using framework::CUnknown;

bool CameraHost::Check(HRESULT hr, const char* step) {
  if (SUCCEEDED(hr)) return true;
  status_ = hr;
  failed_step_ = step;
  return false;
}

CameraHost::CameraHost(SampleHandler onSample) : on_sample_(std::move(onSample)) {
  HRESULT hr = S_OK;
  CUnknown* object = filter::OrlinFilter::CreateInstance(nullptr, &hr);
  if (object == nullptr) hr = FAILED(hr) ? hr : E_OUTOFMEMORY;
  if (!Check(hr, "create the filter")) {
    delete object;
    return;
  }
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(IID_IBaseFilter, filter_.ReceiveVoid());
  object->NonDelegatingRelease();
  if (!Check(hr, "ask for IBaseFilter")) return;
  events_.Adopt(RecordingEventSink::Create());
  graph_.Adopt(new ViewerGraph(events_.Get()));
  if (!Check(filter_->JoinFilterGraph(graph_.Get(), ORLIN_TEXT("Orlin Camera")), "join the graph")) return;
  if (!Check(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                              clock_.ReceiveVoid()),
             "create the system clock") ||
      !Check(filter_->SetSyncSource(clock_.Get()), "set the clock") ||
      !Check(filter_->FindPin(ORLIN_TEXT("1"), output_.Receive()), "find the pin")) {
    return;
  }
  input_.Adopt(ViewerPin::Create([this](const BYTE* data, LONG size) { return on_sample_(data, size); }));
  if (!input_) {
    Check(E_OUTOFMEMORY, "create the viewer pin");
    return;
  }
  Check(output_->Connect(input_.Get(), nullptr), "connect the pins");
}

CameraHost::~CameraHost() {
  if (filter_) {
    filter_->Stop();
    if (output_) output_->Disconnect();
    if (input_) input_->Disconnect();
    filter_->SetSyncSource(nullptr);
    filter_->JoinFilterGraph(nullptr, nullptr);
  }
  output_.Clear();
  input_.Clear();
  clock_.Clear();
  filter_.Clear();
  graph_.Clear();
  events_.Clear();
}

HRESULT CameraHost::Run() {
  if (!filter_) return E_UNEXPECTED;
  REFERENCE_TIME now = 0;
  if (clock_) clock_->GetTime(&now);
  return filter_->Run(now);
}

HRESULT CameraHost::Stop() { return filter_ ? filter_->Stop() : E_UNEXPECTED; }

std::size_t CameraHost::Events() const { return events_ ? events_->Events().size() : 0; }

}  // namespace orlin::view
