// A capture application's graph around "Orlin Camera" under Wine's DirectShow:
// the filter graph manager, the camera created from its moniker, Wine's Sample
// Grabber with a recording callback and its Null Renderer. The fixture
// registers Orlin.dll in the Wine prefix and, at the end, checks that
// everything was released and the library may unload.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/wait.h"
#include "tests/wine/capture_app.h"
#include "wire/four_cc.h"

namespace orlin::wine_test {

// Raw frames of three chunks each.
inline constexpr PcFormat kRaw{wire::kFourCC_YUY2, 320, 240, 16, 0, 0};
// A phone whose camera delivers kRaw frames, each a different Gradient.
Phone RawPhone();

// Waits while the phone sends `frames` more: a span of the stream counted in
// the phone's frames, however long they take here.
inline bool SendsMore(const Phone& phone, int frames) {
  const int target = phone.FramesSent() + frames;
  return orlin::test::WaitUntil([&] { return phone.FramesSent() >= target; });
}

class CaptureGraph : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Settings first, then the camera: a filter reads them when it is created.
  void AddFilters(const PcFormat& format);
  // ICaptureGraphBuilder2::RenderStream(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video)
  // from the camera through the grabber into the Null Renderer.
  void RenderCaptureStream();
  // IGraphBuilder::Connect of the camera's pin straight to the grabber, and the
  // grabber to the Null Renderer.
  void ConnectDirectly();
  void DisconnectCamera();

  // IMediaControl, timed. Run and Pause give S_FALSE while the renderer has
  // no sample yet, as they do in every application.
  HRESULT Run() { return Timed(&IMediaControl::Run); }
  HRESULT Pause() { return Timed(&IMediaControl::Pause); }
  HRESULT Stop() { return Timed(&IMediaControl::Stop); }
  double lastCallMs = 0;

  // Waits for `more` samples beyond those seen so far.
  bool MoreFrames(std::size_t more,
                  std::chrono::milliseconds timeout = orlin::test::kGenerousDeadline) {
    return log.WaitFor(log.Count() + more, timeout);
  }
  // The graph's reference clock, or none.
  IReferenceClock* GraphClock();
  // Releases the graph and every filter. The threads that delivered samples
  // must have ended: the worker closes its socket before it ends.
  void ReleaseGraph();

  OrlinLibrary library;
  GrabberLog log;
  ComRef<IGraphBuilder> graph;
  ComRef<ICaptureGraphBuilder2> builder;
  ComRef<IMediaControl> control;
  ComRef<IBaseFilter> camera;
  ComRef<IBaseFilter> grabberFilter;
  ComRef<ISampleGrabber> grabber;
  ComRef<IBaseFilter> nullRenderer;
  ComRef<IReferenceClock> clock;

 private:
  HRESULT Timed(HRESULT (STDMETHODCALLTYPE IMediaControl::*call)());
};

}  // namespace orlin::wine_test
