#include "tests/wine/capture_graph.h"

#include <set>

#include "wire/four_cc.h"

namespace orlin::wine_test {

Phone RawPhone() {
  return Phone(wire::kFourCC_YUY2, int(kRaw.width), int(kRaw.height), kRaw.SampleSize(), false,
               [](int i) { return Gradient(kRaw.SampleSize(), i); });
}

void CaptureGraph::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_TRUE(library.Loaded()) << "cannot load Orlin.dll";
  ASSERT_EQ(library.Register(), S_OK);
}

void CaptureGraph::TearDown() {
  ReleaseGraph();
  EXPECT_EQ(log.References(), 1) << "the grabber kept the callback";
  EXPECT_EQ(library.Unregister(), S_OK);
  CoFreeUnusedLibraries();
  EXPECT_EQ(library.CanUnloadNow(), S_OK) << "a filter, pin or factory is still alive";
  CoUninitialize();
}

void CaptureGraph::AddFilters(const PcFormat& format) {
  StorePcFormat(format);
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid()), S_OK);
  ASSERT_EQ(CreateCamera(camera.Receive()), S_OK);
  ASSERT_EQ(graph->AddFilter(camera.Get(), L"Orlin Camera"), S_OK);

  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             grabberFilter.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.ReceiveVoid()), S_OK);
  ASSERT_EQ(grabber->SetBufferSamples(FALSE), S_OK);
  ASSERT_EQ(grabber->SetOneShot(FALSE), S_OK);
  ASSERT_EQ(grabber->SetCallback(&log, 0), S_OK);
  ASSERT_EQ(graph->AddFilter(grabberFilter.Get(), L"Sample Grabber"), S_OK);

  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             nullRenderer.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(graph->AddFilter(nullRenderer.Get(), L"Null Renderer"), S_OK);
}

void CaptureGraph::RenderCaptureStream() {
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, builder.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                  grabberFilter.Get(), nullRenderer.Get()),
            S_OK);
}

void CaptureGraph::ConnectDirectly() {
  auto out = ComRef<IPin>::Adopting(FirstPin(camera.Get(), PINDIR_OUTPUT));
  auto in = ComRef<IPin>::Adopting(FirstPin(grabberFilter.Get(), PINDIR_INPUT));
  ASSERT_TRUE(out && in);
  ASSERT_EQ(graph->Connect(out.Get(), in.Get()), S_OK);
  auto grabbed = ComRef<IPin>::Adopting(FirstPin(grabberFilter.Get(), PINDIR_OUTPUT));
  auto rendered = ComRef<IPin>::Adopting(FirstPin(nullRenderer.Get(), PINDIR_INPUT));
  ASSERT_TRUE(grabbed && rendered);
  IPin* peer = nullptr;
  if (rendered->ConnectedTo(&peer) == S_OK) {
    peer->Release();
    return;  // still connected from before
  }
  ASSERT_EQ(graph->Connect(grabbed.Get(), rendered.Get()), S_OK);
}

void CaptureGraph::DisconnectCamera() {
  auto out = ComRef<IPin>::Adopting(FirstPin(camera.Get(), PINDIR_OUTPUT));
  auto in = ComRef<IPin>::Adopting(FirstPin(grabberFilter.Get(), PINDIR_INPUT));
  ASSERT_EQ(graph->Disconnect(out.Get()), S_OK);
  ASSERT_EQ(graph->Disconnect(in.Get()), S_OK);
}

HRESULT CaptureGraph::Timed(HRESULT (STDMETHODCALLTYPE IMediaControl::*call)()) {
  const auto start = Clock::now();
  const HRESULT hr = (control.Get()->*call)();
  lastCallMs = MillisecondsSince(start);
  return hr;
}

IReferenceClock* CaptureGraph::GraphClock() {
  ComRef<IMediaFilter> filter;
  if (FAILED(graph->QueryInterface(IID_IMediaFilter, filter.ReceiveVoid()))) return nullptr;
  filter->GetSyncSource(clock.Receive());
  return clock.Get();
}

void CaptureGraph::ReleaseGraph() {
  if (control) control->Stop();
  std::set<DWORD> threads;
  for (const Seen& s : log.Samples()) threads.insert(s.thread);
  for (DWORD id : threads) EXPECT_TRUE(ThreadEnded(id)) << "thread " << id << " still runs after Stop";
  log.UseClock(nullptr);
  clock.Clear();
  control.Clear();
  builder.Clear();
  grabber.Clear();
  grabberFilter.Clear();
  nullRenderer.Clear();
  if (graph) {
    EXPECT_EQ(graph.ReleaseLast(), 0u);
  }
  if (camera) {
    EXPECT_EQ(camera.ReleaseLast(), 0u) << "the graph kept the camera";
  }
}

}  // namespace orlin::wine_test
