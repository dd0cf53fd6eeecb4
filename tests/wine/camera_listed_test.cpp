// Run by regsvr32_test.cmake after `regsvr32 Orlin.dll` and after
// `regsvr32 /u Orlin.dll`: the device enumerator lists "Orlin Camera" (and its
// moniker opens the filter from the path registered) or no longer lists it.
#include "tests/wine/capture_app.h"

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

}  // namespace
}  // namespace orlin::wine_test
