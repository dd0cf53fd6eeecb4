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
// Null Renderer) receives the phone's raw frames whole. The camera is the one
// installed: nothing is registered or unregistered here.
class Installed : public CaptureGraph {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override {
    ReleaseGraph();
    EXPECT_EQ(log.References(), 1) << "the grabber kept the callback";
    CoUninitialize();
  }
};

TEST_F(Installed, CameraStreamsWholeFramesThroughACaptureGraph) {
  AddFilters(kRaw);
  RenderCaptureStream();
  log.KeepBytes(true);
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(30)) << log.Count() << " samples";
  EXPECT_EQ(Stop(), S_OK);
  phone.Stop();
  const std::vector<Seen> seen = log.Samples();
  const Matches matches = MatchFrames(seen, phone.SentFrames());
  EXPECT_GE(matches.distinct, 25u);
  EXPECT_GE(matches.samples * 100, seen.size() * 95) << matches.samples << " of " << seen.size();
}

}  // namespace
}  // namespace orlin::wine_test
