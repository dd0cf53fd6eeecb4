// Enumerating pins and media types, finding pins by identifier, and what the
// filter and pin say about themselves.
#include <string>

#include "tests/framework/test_objects.h"

namespace orlin::framework::test {
namespace {

using Enumerators = FrameworkTest;
using Identity = FrameworkTest;

std::u16string Text(const WCHAR* text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

TEST_F(Enumerators, PinsNextSkipResetAndClone) {
  ComRef<IEnumPins> pins;
  ASSERT_EQ(Filter()->EnumPins(pins.Receive()), S_OK);
  IPin* got[2] = {nullptr, nullptr};
  EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
  ASSERT_EQ(pins->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0], Pin());
  got[0]->Release();

  ULONG fetched = 7;
  EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  ComRef<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(clone.Receive()), S_OK);
  EXPECT_EQ(clone->Next(1, got, &fetched), S_FALSE) << "a clone keeps the position";

  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(1), S_OK);
  EXPECT_EQ(pins->Skip(1), S_FALSE);
  EXPECT_EQ(pins->Reset(), S_OK);
  ASSERT_EQ(pins->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(got[0], Pin());
  got[0]->Release();
  EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
}

TEST_F(Enumerators, PinsOutOfSync) {
  ComRef<IEnumPins> pins;
  ASSERT_EQ(Filter()->EnumPins(pins.Receive()), S_OK);
  IPin* got = nullptr;
  ASSERT_EQ(pins->Next(1, &got, nullptr), S_OK);
  got->Release();
  filter->pin_version = 2;
  EXPECT_EQ(pins->Skip(0), VFW_E_ENUM_OUT_OF_SYNC);
  IEnumPins* clone = reinterpret_cast<IEnumPins*>(&got);  // anything not null
  EXPECT_EQ(pins->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(clone, nullptr);
  // Next catches up from the start but does not return a pin twice.
  ULONG fetched = 0;
  EXPECT_EQ(pins->Next(1, &got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(pins->Reset(), S_OK);
  ASSERT_EQ(pins->Next(1, &got, nullptr), S_OK);
  got->Release();
}

TEST_F(Enumerators, MediaTypesYieldExactlyTheOneType) {
  ComRef<IEnumMediaTypes> types;
  ASSERT_EQ(Pin()->EnumMediaTypes(types.Receive()), S_OK);
  AM_MEDIA_TYPE* got[2] = {nullptr, nullptr};
  EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);
  ULONG fetched = 0;
  ASSERT_EQ(types->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  CMediaType mine;
  Stream()->GetMediaType(&mine);
  EXPECT_TRUE(MediaTypesEqual(*got[0], mine));
  DeleteMediaType(got[0]);

  EXPECT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Skip(0), S_OK);
  EXPECT_EQ(types->Skip(1), S_OK);
  EXPECT_EQ(types->Skip(1), S_FALSE);
  ComRef<IEnumMediaTypes> clone;
  ASSERT_EQ(types->Clone(clone.Receive()), S_OK);
  EXPECT_EQ(clone->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, got, nullptr), S_OK);
  DeleteMediaType(got[0]);
}

TEST_F(Enumerators, MediaTypesOutOfSync) {
  ComRef<IEnumMediaTypes> types;
  ASSERT_EQ(Pin()->EnumMediaTypes(types.Receive()), S_OK);
  Stream()->BumpTypeVersion();
  AM_MEDIA_TYPE* got = nullptr;
  EXPECT_EQ(types->Next(1, &got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  IEnumMediaTypes* clone = nullptr;
  EXPECT_EQ(types->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(clone, nullptr);
  EXPECT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, &got, nullptr), S_OK);
  DeleteMediaType(got);
}

TEST_F(Enumerators, EnumeratorsAnswerOnlyTheirOwnInterfaces) {
  ComRef<IEnumPins> pins;
  ASSERT_EQ(Filter()->EnumPins(pins.Receive()), S_OK);
  ComRef<IUnknown> unknown;
  EXPECT_EQ(pins->QueryInterface(IID_IUnknown, unknown.ReceiveVoid()), S_OK);
  void* other = &unknown;
  EXPECT_EQ(pins->QueryInterface(IID_IPin, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(pins->QueryInterface(IID_IEnumPins, nullptr), E_POINTER);
}

TEST_F(Identity, FindPinReadsTheIdentifierAsADecimalNumber) {
  ComRef<IPin> found;
  ASSERT_EQ(Filter()->FindPin(ORLIN_TEXT("1"), found.Receive()), S_OK);
  EXPECT_EQ(found.Get(), Pin());
  ASSERT_EQ(Filter()->FindPin(ORLIN_TEXT("  +1 pin"), found.Receive()), S_OK);
  EXPECT_EQ(found.Get(), Pin());
  for (const WCHAR* missing : {ORLIN_TEXT("0"), ORLIN_TEXT("2"), ORLIN_TEXT("-1"), ORLIN_TEXT(""),
                               ORLIN_TEXT("Test Pin"), ORLIN_TEXT("99999999999999999999")}) {
    EXPECT_EQ(Filter()->FindPin(missing, found.Receive()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(found);
  }
  EXPECT_EQ(Filter()->FindPin(ORLIN_TEXT("1"), nullptr), E_POINTER);
}

TEST_F(Identity, QueryIdIsThePinsPositionFromOne) {
  LPWSTR id = nullptr;
  ASSERT_EQ(Pin()->QueryId(&id), S_OK);
  EXPECT_EQ(Text(id), u"1");
  CoTaskMemFree(id);
}

TEST_F(Identity, FilterAndPinInfo) {
  FILTER_INFO info;
  ASSERT_EQ(Filter()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.achName[0], 0);
  EXPECT_EQ(info.pGraph, nullptr);

  std::basic_string<WCHAR> long_name(200, 'n');
  ASSERT_EQ(Filter()->JoinFilterGraph(&graph, long_name.c_str()), S_OK);
  ASSERT_EQ(Filter()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(Text(info.achName).size(), 127u);
  EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(&graph));
  EXPECT_EQ(graph.References(), 2) << "the graph is handed out counted but kept uncounted";
  info.pGraph->Release();

  PIN_INFO pin;
  ASSERT_EQ(Pin()->QueryPinInfo(&pin), S_OK);
  EXPECT_EQ(pin.pFilter, Filter());
  EXPECT_EQ(pin.dir, PINDIR_OUTPUT);
  EXPECT_EQ(Text(pin.achName), u"Test Pin");
  pin.pFilter->Release();
  PIN_DIRECTION direction = PINDIR_INPUT;
  EXPECT_EQ(Pin()->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_OUTPUT);
  CLSID clsid{};
  EXPECT_EQ(Filter()->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kTestClsid);
}

TEST_F(Identity, FacesAndFixedAnswers) {
  ComRef<IMediaFilter> media_filter;
  ComRef<IPersist> persist;
  ASSERT_EQ(Filter()->QueryInterface(IID_IMediaFilter, media_filter.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(Filter()->QueryInterface(IID_IPersist, persist.ReceiveVoid()), S_OK);
  EXPECT_EQ(static_cast<void*>(media_filter.Get()), static_cast<void*>(Filter()));
  EXPECT_EQ(static_cast<void*>(persist.Get()), static_cast<void*>(Filter()));

  ComRef<IAMovieSetup> setup;
  ASSERT_EQ(Filter()->QueryInterface(IID_IAMovieSetup, setup.ReceiveVoid()), S_OK);
  EXPECT_EQ(setup->Register(), S_FALSE);
  EXPECT_EQ(setup->Unregister(), S_FALSE);

  // Every face leads to the same object identity.
  ComRef<IUnknown> from_filter;
  ComRef<IUnknown> from_setup;
  ASSERT_EQ(Filter()->QueryInterface(IID_IUnknown, from_filter.ReceiveVoid()), S_OK);
  ASSERT_EQ(setup->QueryInterface(IID_IUnknown, from_setup.ReceiveVoid()), S_OK);
  EXPECT_EQ(from_filter.Get(), from_setup.Get());

  ComRef<IQualityControl> quality;
  ASSERT_EQ(Pin()->QueryInterface(IID_IQualityControl, quality.ReceiveVoid()), S_OK);
  EXPECT_EQ(quality->Notify(Filter(), Quality{}), E_NOTIMPL);
  EXPECT_EQ(quality->SetSink(nullptr), S_OK);
  void* none = &quality;
  EXPECT_EQ(Filter()->QueryInterface(IID_IPin, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  LPWSTR vendor = nullptr;
  EXPECT_EQ(Filter()->QueryVendorInfo(&vendor), E_NOTIMPL);
  EXPECT_EQ(Pin()->EndOfStream(), E_UNEXPECTED);
  EXPECT_EQ(Pin()->BeginFlush(), E_UNEXPECTED);
  EXPECT_EQ(Pin()->EndFlush(), E_UNEXPECTED);
  EXPECT_EQ(Pin()->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
  REFERENCE_TIME now = 0;
  EXPECT_EQ(filter->StreamTime(&now), VFW_E_NO_CLOCK);
  EXPECT_EQ(filter->NotifyEvent(EC_ERRORABORT, 0, 0), E_NOTIMPL);
}

// A clock that stands still, counting its references.
class StillClock final : public IReferenceClock {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) override {
    *pTime = now;
    return result;
  }
  HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT,
                                       DWORD_PTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE,
                                           DWORD_PTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

  LONG refs = 1;
  REFERENCE_TIME now = 5000;
  HRESULT result = S_OK;
};

TEST_F(Identity, StreamTimeIsClockTimeSinceTheRunStarted) {
  StillClock clock;
  ASSERT_EQ(Filter()->SetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock.refs, 2);
  ComRef<IReferenceClock> got;
  ASSERT_EQ(Filter()->GetSyncSource(got.Receive()), S_OK);
  EXPECT_EQ(got.Get(), &clock);
  got.Clear();

  REFERENCE_TIME now = 0;
  ASSERT_EQ(Filter()->Run(1000), S_OK);
  EXPECT_EQ(filter->StreamTime(&now), S_OK);
  EXPECT_EQ(now, 4000);
  clock.result = E_ACCESSDENIED;
  EXPECT_EQ(filter->StreamTime(&now), E_ACCESSDENIED);

  ASSERT_EQ(Filter()->SetSyncSource(nullptr), S_OK);
  EXPECT_EQ(clock.refs, 1);
  EXPECT_EQ(Filter()->GetSyncSource(got.Receive()), S_OK);
  EXPECT_FALSE(got);
}

TEST_F(Identity, PinReferencesKeepTheWholeFilterAlive) {
  EXPECT_GE(Pin()->AddRef(), 2u);
  EXPECT_EQ(Filter()->Release(), 1u) << "the pin's reference counts on the filter";
  EXPECT_EQ(CBaseObject::ObjectsActive(), 2) << "filter and pin";
  EXPECT_EQ(Filter()->AddRef(), 2u);
  EXPECT_EQ(Pin()->Release(), 1u);
}

}  // namespace
}  // namespace orlin::framework::test
