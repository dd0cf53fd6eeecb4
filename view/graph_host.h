// A video source hosted as an application hosts it, in one process with its
// caller: joined to a graph that takes its events, run on the system clock,
// its first output pin connected to a viewer pin that hands every delivered
// sample to the caller on the filter's streaming thread. orlin-view, the soaks
// and the end-to-end benchmark all stand on it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/recording_event_sink.h"
#include "view/video_frame.h"
#include "view/viewer_pin.h"

namespace orlin::view {

class ViewerGraph;

// What hosting did when it failed, in the order it is done.
enum class HostStep {
  kNone,
  kFindPin,     // no filter, or it has no output pin
  kAllocate,    // the event sink, graph or viewer pin
  kClock,       // the system clock
  kJoin,        // the filter joining the graph
  kSetClock,    // the filter taking the clock
  kConnect,     // the filter's pin refusing the viewer pin
};

// "find the output pin", ...: for "could not <step>" messages.
const char* HostStepText(HostStep step);

class GraphHost {
 public:
  using SampleHandler = ViewerPin::SampleHandler;

  // Hosts `filter` (a reference of its own) under `name` and connects it. The
  // handler is called until Stop or Close returns.
  GraphHost(IBaseFilter* filter, const std::u16string& name, SampleHandler on_sample);
  ~GraphHost();
  GraphHost(const GraphHost&) = delete;
  GraphHost& operator=(const GraphHost&) = delete;

  // S_OK once connected; otherwise what failed, at FailedStep().
  HRESULT Status() const { return status_; }
  HostStep FailedStep() const { return failed_step_; }

  // The format agreed at connection; nothing while unconnected.
  std::optional<FrameFormat> Format() const;

  // E_UNEXPECTED unless connected and not yet closed.
  HRESULT Run();  // from the clock's present time
  HRESULT Stop();
  // Stops the filter, disconnects both pins, clears its clock and takes it out
  // of the graph, leaving the filter as it was before. Once is enough.
  void Close();

  // Events the filter sent its graph (a failed fill sends EC_ERRORABORT),
  // still there after Close.
  std::vector<RecordedEvent> Events() const;

 private:
  bool Check(HRESULT hr, HostStep step);
  bool Hosting() const { return status_ == S_OK && filter_; }

  HRESULT status_ = S_OK;
  HostStep failed_step_ = HostStep::kNone;
  ComRef<IBaseFilter> filter_;
  ComRef<IPin> output_;
  ComRef<ViewerPin> input_;
  ComRef<IReferenceClock> clock_;
  ComRef<RecordingEventSink> events_;
  ComRef<ViewerGraph> graph_;
  bool joined_ = false;
  bool clocked_ = false;
};

}  // namespace orlin::view
