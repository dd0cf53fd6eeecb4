// Run by regsvr32_test.cmake after `regsvr32 Orlin.dll` and after
// `regsvr32 /u Orlin.dll`: the device enumerator lists "Orlin Camera" (and its
// moniker opens the filter from the path registered) or no longer lists it.
// The Windows installer's check runs them too, and the Installed case: the
// camera as installed, registering nothing itself.
#include "tests/wine/capture_app.h"
#include "tests/wine/capture_graph.h"

#include <gtest/gtest.h>

namespace orlin::wine_test {
namespace {

class Enumerator : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

using Registered = Enumerator;
using Unregistered = Enumerator;
using Installed = Enumerator;

TEST_F(Registered, CameraIsListedAndItsMonikerOpensTheFilter) {
  ComRef<IBaseFilter> camera;
  ASSERT_EQ(CreateCamera(camera.Receive()), S_OK);
  auto pin = ComRef<IPin>::Adopting(FirstPin(camera.Get(), PINDIR_OUTPUT));
  EXPECT_TRUE(pin);
  pin.Clear();
  EXPECT_EQ(camera.ReleaseLast(), 0u);
}

TEST_F(Unregistered, CameraIsNoLongerListed) {
  EXPECT_EQ(FindVideoInputDevice(L"Orlin Camera", nullptr), 0);
  // Nor can it be created by its class any more.
  ComRef<IBaseFilter> camera;
  const CLSID orlinCamera = {0x398b8ab5, 0x72ac, 0x4fce, {0x91, 0xcf, 0x83, 0x8b, 0x70, 0xf8, 0xc5, 0xd6}};
  EXPECT_EQ(CoCreateInstance(orlinCamera, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, camera.ReceiveVoid()),
            REGDB_E_CLASSNOTREG);
}

// A capture application's graph on the listed camera (camera, Sample Grabber,
// Null Renderer) receives the phone's raw frames whole.
TEST_F(Installed, CameraStreamsWholeFramesThroughACaptureGraph) {
  StorePcFormat(kRaw);
  GrabberLog log;
  log.KeepBytes(true);
  ComRef<IGraphBuilder> graph;
  ComRef<ICaptureGraphBuilder2> builder;
  ComRef<IBaseFilter> camera, grabberFilter, nullRenderer;
  ComRef<ISampleGrabber> grabber;
  ComRef<IMediaControl> control;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                             builder.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(CreateCamera(camera.Receive()), S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             grabberFilter.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             nullRenderer.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.ReceiveVoid()), S_OK);
  ASSERT_EQ(grabber->SetCallback(&log, 0), S_OK);
  ASSERT_EQ(graph->AddFilter(camera.Get(), L"Orlin Camera"), S_OK);
  ASSERT_EQ(graph->AddFilter(grabberFilter.Get(), L"Sample Grabber"), S_OK);
  ASSERT_EQ(graph->AddFilter(nullRenderer.Get(), L"Null Renderer"), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), grabberFilter.Get(),
                                  nullRenderer.Get()),
            S_OK);
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()), S_OK);

  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(log.WaitFor(30, orlin::test::kGenerousDeadline)) << log.Count() << " samples";
  EXPECT_EQ(control->Stop(), S_OK);
  phone.Stop();
  const std::vector<Seen> seen = log.Samples();
  const Matches matches = MatchFrames(seen, phone.SentFrames());
  EXPECT_GE(matches.distinct, 25u);
  EXPECT_GE(matches.samples * 100, seen.size() * 95) << matches.samples << " of " << seen.size();

  control.Clear();
  builder.Clear();
  grabber.Clear();
  grabberFilter.Clear();
  nullRenderer.Clear();
  EXPECT_EQ(graph.ReleaseLast(), 0u);
  EXPECT_EQ(camera.ReleaseLast(), 0u);
  EXPECT_EQ(log.References(), 1) << "the grabber kept the callback";
}

}  // namespace
}  // namespace orlin::wine_test
