// The graph host over the camera filter: what it reports when hosting fails,
// and that it leaves the filter as it found it, whether hosting failed or not.
#include <gtest/gtest.h>

#include "tests/filter/class_object_camera.h"
#include "tests/filter/orlin_test_sink.h"
#include "view/graph_host.h"
#include "wire/four_cc.h"

namespace orlin::view {
namespace {

constexpr settings::VideoFormatSettings kI420{wire::kFourCC_I420, 176, 144, 12, 0, 0, 0};
// A type the camera offers and the viewer pin cannot convert.
constexpr settings::VideoFormatSettings kMjpg{wire::MakeFourCC('M', 'J', 'P', 'G'), 176, 144, 12, 0, 0, 0};

class HostedFilter : public filter::test::FilterFixture {
 protected:
  void Create(const settings::VideoFormatSettings& settings) {
    StoreSettings(settings);
    ASSERT_EQ(filter::test::CreateCameraFromClassObject(filter), S_OK);
    ASSERT_EQ(filter->FindPin(ORLIN_TEXT("1"), pin.Receive()), S_OK);
  }
  void TearDown() override {
    pin.Clear();
    filter.Clear();
    FilterFixture::TearDown();
  }

  // Out of the graph, without a clock, its pin free and the filter stopped.
  void ExpectLeftAsFound() {
    FILTER_INFO info{};
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr) << "still in a graph that is gone";
    if (info.pGraph != nullptr) info.pGraph->Release();
    ComRef<IReferenceClock> clock;
    EXPECT_EQ(filter->GetSyncSource(clock.Receive()), S_OK);
    EXPECT_EQ(clock.Get(), nullptr) << "still holding the host's clock";
    ComRef<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.Receive()), VFW_E_NOT_CONNECTED);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
  }

  ComRef<IBaseFilter> filter;
  ComRef<IPin> pin;
};

TEST_F(HostedFilter, CloseLeavesTheFilterOutOfTheGraphAndOffTheClock) {
  Create(kI420);
  GraphHost host(filter.Get(), u"Orlin Camera", [](const BYTE*, LONG) -> HRESULT { return S_OK; });
  ASSERT_EQ(host.Status(), S_OK) << "could not " << HostStepText(host.FailedStep());
  ASSERT_TRUE(host.Format().has_value());
  EXPECT_EQ(host.Format()->width, 176);
  host.Close();
  ExpectLeftAsFound();
  EXPECT_EQ(host.Run(), E_UNEXPECTED) << "ran a filter it no longer hosts";
}

TEST_F(HostedFilter, RefusedConnectionIsReportedAndUndone) {
  Create(kMjpg);
  {
    GraphHost host(filter.Get(), u"Orlin Camera", [](const BYTE*, LONG) -> HRESULT { return S_OK; });
    EXPECT_EQ(host.FailedStep(), HostStep::kConnect);
    EXPECT_TRUE(FAILED(host.Status()));
    EXPECT_FALSE(host.Format().has_value());
    EXPECT_EQ(host.Run(), E_UNEXPECTED);
  }
  ExpectLeftAsFound();
}

TEST_F(HostedFilter, NoFilterIsReportedNotDereferenced) {
  GraphHost host(nullptr, u"Orlin Camera", [](const BYTE*, LONG) -> HRESULT { return S_OK; });
  EXPECT_EQ(host.Status(), E_POINTER);
  EXPECT_EQ(host.FailedStep(), HostStep::kFindPin);
  EXPECT_EQ(host.Stop(), E_UNEXPECTED);
  EXPECT_TRUE(host.Events().empty());
}

}  // namespace
}  // namespace orlin::view
