#include "view/graph_host.h"

#include <new>
#include <utility>

#include "view/viewer_graph.h"

namespace orlin::view {
namespace {

// The first pin that sends: a capture source may have others.
HRESULT FirstOutputPin(IBaseFilter* filter, IPin** pin) {
  *pin = nullptr;
  ComRef<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(pins.Receive());
  if (FAILED(hr)) return hr;
  ComRef<IPin> candidate;
  while (pins->Next(1, candidate.Receive(), nullptr) == S_OK) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (SUCCEEDED(candidate->QueryDirection(&direction)) && direction == PINDIR_OUTPUT) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

}  // namespace

const char* HostStepText(HostStep step) {
  switch (step) {
    case HostStep::kNone: return "host the filter";
    case HostStep::kFindPin: return "find the output pin";
    case HostStep::kAllocate: return "allocate the graph";
    case HostStep::kClock: return "create the system clock";
    case HostStep::kJoin: return "join the graph";
    case HostStep::kSetClock: return "set the clock";
    case HostStep::kConnect: return "connect the pins";
  }
  return "host the filter";
}

bool GraphHost::Check(HRESULT hr, HostStep step) {
  if (SUCCEEDED(hr)) return true;
  status_ = hr;
  failed_step_ = step;
  return false;
}

GraphHost::GraphHost(IBaseFilter* filter, const std::u16string& name, SampleHandler on_sample) {
  if (!Check(filter == nullptr ? E_POINTER : S_OK, HostStep::kFindPin)) return;
  filter_.Share(filter);
  if (!Check(FirstOutputPin(filter, output_.Receive()), HostStep::kFindPin)) return;

  // COM objects: an allocation failure is a result here, never an exception.
  events_.Adopt(RecordingEventSink::Create());
  if (events_) graph_.Adopt(new (std::nothrow) ViewerGraph(events_.Get()));
  input_.Adopt(ViewerPin::Create(std::move(on_sample)));
  if (!Check(graph_ && input_ ? S_OK : E_OUTOFMEMORY, HostStep::kAllocate)) return;
  if (!Check(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                              clock_.ReceiveVoid()),
             HostStep::kClock)) {
    return;
  }

  joined_ = true;  // a refused join may still have taken the graph: always leave it
  if (!Check(filter_->JoinFilterGraph(graph_.Get(), name.c_str()), HostStep::kJoin)) return;
  clocked_ = true;
  if (!Check(filter_->SetSyncSource(clock_.Get()), HostStep::kSetClock)) return;
  Check(output_->Connect(input_.Get(), nullptr), HostStep::kConnect);
}

GraphHost::~GraphHost() { Close(); }

std::optional<FrameFormat> GraphHost::Format() const {
  return input_ ? input_->Format() : std::nullopt;
}

HRESULT GraphHost::Run() {
  if (!Hosting()) return E_UNEXPECTED;
  REFERENCE_TIME now = 0;
  clock_->GetTime(&now);
  return filter_->Run(now);
}

HRESULT GraphHost::Stop() { return Hosting() ? filter_->Stop() : E_UNEXPECTED; }

void GraphHost::Close() {
  if (!filter_) return;
  filter_->Stop();
  if (output_) output_->Disconnect();
  if (input_) input_->Disconnect();
  // The filter would otherwise keep the clock, and a graph that is gone.
  if (clocked_) filter_->SetSyncSource(nullptr);
  if (joined_) filter_->JoinFilterGraph(nullptr, nullptr);
  output_.Clear();
  input_.Clear();
  clock_.Clear();
  graph_.Clear();
  filter_.Clear();
}

std::vector<RecordedEvent> GraphHost::Events() const {
  return events_ ? events_->Events() : std::vector<RecordedEvent>{};
}

}  // namespace orlin::view
