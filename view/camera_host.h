// The camera filter hosted as an application hosts it, in one process with
// its caller: created directly, joined to a graph that takes its events, run
// on the system clock, its pin connected to a viewer pin that hands every
// delivered sample to the caller on the filter's streaming thread. The soaks
// and the end-to-end benchmark stand on it.
#pragma once

#include <functional>

#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/recording_event_sink.h"

namespace orlin::view {

class CameraHost {
 public:
  using SampleHandler = std::function<HRESULT(const BYTE* data, LONG size)>;

  // Creates the filter (it reads the settings stored now) and connects it.
  explicit CameraHost(SampleHandler onSample);
  // Stops, disconnects and releases everything.
  ~CameraHost();
  CameraHost(const CameraHost&) = delete;
  CameraHost& operator=(const CameraHost&) = delete;

  // S_OK once created and connected; otherwise what failed, and `FailedStep`
  // names it.
  HRESULT Status() const { return status_; }
  const char* FailedStep() const { return failed_step_; }

  HRESULT Run();  // from the clock's present time
  HRESULT Stop();
  // Events the filter sent its graph (a failed fill would send EC_ERRORABORT).
  std::size_t Events() const;

 private:
  bool Check(HRESULT hr, const char* step);

  SampleHandler on_sample_;
  HRESULT status_ = S_OK;
  const char* failed_step_ = "";
  ComRef<IBaseFilter> filter_;
  ComRef<IPin> output_;
  ComRef<IPin> input_;
  ComRef<IReferenceClock> clock_;
  ComRef<RecordingEventSink> events_;
  ComRef<IFilterGraph> graph_;
};

}  // namespace orlin::view
