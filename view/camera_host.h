// The camera filter hosted as an application hosts it, in one process with
// its caller: created directly, joined to a graph that takes its events, run
// on the system clock, its pin connected to a viewer pin that hands every
// delivered sample to the caller on the filter's streaming thread. The soaks
// and the end-to-end benchmark stand on it.
#pragma once

#include <functional>

#include "filter/framework/com_ptr.h"
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
  const char* FailedStep() const { return failedStep_; }

  HRESULT Run();  // from the clock's present time
  HRESULT Stop();
  // Events the filter sent its graph (a failed fill would send EC_ERRORABORT).
  std::size_t Events() const;

 private:
  bool Check(HRESULT hr, const char* step);

  SampleHandler onSample_;
  HRESULT status_ = S_OK;
  const char* failedStep_ = "";
  ComPtr<IBaseFilter> filter_;
  ComPtr<IPin> output_;
  ComPtr<IPin> input_;
  ComPtr<IReferenceClock> clock_;
  RecordingEventSink* events_ = nullptr;
  IFilterGraph* graph_ = nullptr;
};

}  // namespace orlin::view
