// The interface tables the camera calls: the pin's IPin and IMemInputPin, and
// the sender's stub IBaseFilter.
#include <gtest/gtest.h>

#include "phone/frame_sender.h"
#include "phone/sample_grabber_pin.h"

namespace orlin::test {
namespace {

class PinInterfaces : public ::testing::Test {
 protected:
  template <typename T>
  HRESULT Query(IUnknown* object, REFIID riid, T** out) {
    return object->QueryInterface(riid, reinterpret_cast<void**>(out));
  }

  phone::FrameSender sender_;
  IPin* pin_ = sender_.InputPin();
};

TEST_F(PinInterfaces, QueryInterfaceGivesBothTablesAndNothingElse) {
  IPin* asPin = nullptr;
  IUnknown* asUnknown = nullptr;
  IMemInputPin* asInput = nullptr;
  EXPECT_EQ(Query(pin_, IID_IPin, &asPin), S_OK);
  EXPECT_EQ(asPin, pin_);
  EXPECT_EQ(Query(pin_, IID_IUnknown, &asUnknown), S_OK);
  EXPECT_EQ(asUnknown, static_cast<IUnknown*>(pin_));
  ASSERT_EQ(Query(pin_, IID_IMemInputPin, &asInput), S_OK);
  ASSERT_NE(asInput, nullptr);
  IPin* back = nullptr;
  EXPECT_EQ(Query(asInput, IID_IPin, &back), S_OK) << "the second table answers for the first";
  EXPECT_EQ(back, pin_);

  IBaseFilter* notThere = reinterpret_cast<IBaseFilter*>(&sender_);
  EXPECT_EQ(Query(pin_, IID_IBaseFilter, &notThere), E_NOINTERFACE);
  EXPECT_EQ(notThere, nullptr);
  EXPECT_EQ(pin_->QueryInterface(IID_IPin, nullptr), E_POINTER);
  EXPECT_EQ(pin_->AddRef(), 1u);
  EXPECT_EQ(pin_->Release(), 1u);
  EXPECT_EQ(asInput->AddRef(), 1u);
  EXPECT_EQ(asInput->Release(), 1u);
}

TEST_F(PinInterfaces, PinInfoNamesTheSenderAsOwnerOfAnInputPin) {
  PIN_INFO info{};
  ASSERT_EQ(pin_->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(&sender_));
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  const std::u16string name(info.achName, info.achName + 16);
  EXPECT_EQ(name, u"SampleGrabberPin");
  EXPECT_EQ(info.achName[16], 0);
  PIN_DIRECTION direction = PINDIR_OUTPUT;
  EXPECT_EQ(pin_->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_INPUT);
  EXPECT_EQ(pin_->QueryPinInfo(nullptr), E_POINTER);
  EXPECT_EQ(pin_->QueryDirection(nullptr), E_POINTER);
}

TEST_F(PinInterfaces, UnusedPinMethodsSayNotImplemented) {
  EXPECT_EQ(pin_->Connect(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->Disconnect(), S_OK);
  EXPECT_EQ(pin_->ConnectedTo(nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->ConnectionMediaType(nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->QueryId(nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->QueryAccept(nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->EnumMediaTypes(nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(pin_->EndOfStream(), E_NOTIMPL);
  EXPECT_EQ(pin_->BeginFlush(), E_NOTIMPL);
  EXPECT_EQ(pin_->EndFlush(), E_NOTIMPL);
  EXPECT_EQ(pin_->NewSegment(0, 0, 1.0), E_NOTIMPL);

  IMemInputPin* input = nullptr;
  ASSERT_EQ(Query(pin_, IID_IMemInputPin, &input), S_OK);
  EXPECT_EQ(input->GetAllocator(nullptr), E_NOTIMPL);
  EXPECT_EQ(input->NotifyAllocator(nullptr, FALSE), S_OK);
  EXPECT_EQ(input->GetAllocatorRequirements(nullptr), E_NOTIMPL);
  EXPECT_EQ(input->ReceiveMultiple(nullptr, 0, nullptr), E_NOTIMPL);
  EXPECT_EQ(input->ReceiveCanBlock(), E_NOTIMPL);
  EXPECT_EQ(input->Receive(nullptr), E_POINTER);
}

TEST_F(PinInterfaces, TheSendersFilterFaceAnswersOnlyForFilterInterfaces) {
  IBaseFilter* filter = &sender_;
  for (const IID* iid : {&IID_IUnknown, &IID_IPersist, &IID_IMediaFilter, &IID_IBaseFilter}) {
    void* object = nullptr;
    EXPECT_EQ(filter->QueryInterface(*iid, &object), S_OK);
    EXPECT_EQ(object, static_cast<void*>(filter));
  }
  // Handing the filter table out as a pin or a clock would crash the caller.
  void* object = &sender_;
  EXPECT_EQ(filter->QueryInterface(IID_IPin, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(filter->QueryInterface(IID_IReferenceClock, nullptr), E_POINTER);

  IReferenceClock* clock = reinterpret_cast<IReferenceClock*>(filter);
  EXPECT_EQ(filter->GetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock, nullptr);
  EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);
  EXPECT_EQ(filter->AddRef(), 1u);
  EXPECT_EQ(filter->Release(), 1u);

  FILTER_STATE state = State_Running;
  CLSID classId{};
  EXPECT_EQ(filter->GetClassID(&classId), E_NOTIMPL);
  EXPECT_EQ(filter->Stop(), E_NOTIMPL);
  EXPECT_EQ(filter->Pause(), E_NOTIMPL);
  EXPECT_EQ(filter->Run(0), E_NOTIMPL);
  EXPECT_EQ(filter->GetState(0, &state), E_NOTIMPL);
  EXPECT_EQ(filter->SetSyncSource(nullptr), E_NOTIMPL);
  EXPECT_EQ(filter->EnumPins(nullptr), E_NOTIMPL);
  EXPECT_EQ(filter->FindPin(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_NOTIMPL);
  EXPECT_EQ(filter->JoinFilterGraph(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(filter->QueryVendorInfo(nullptr), E_NOTIMPL);
}

}  // namespace
}  // namespace orlin::test
