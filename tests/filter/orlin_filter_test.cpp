// The camera filter as applications see it: its one media type, the stream
// configuration, the pin category, connection and the paused state.
#include <gtest/gtest.h>

#include <cstring>

#include "filter/framework/base_object.h"
#include "orlin/com_ref.h"
#include "filter/framework/media_type.h"
#include "filter/orlin_filter.h"
#include "filter/orlin_stream.h"
#include "filter/orlin_stream_format.h"
#include "tests/filter/orlin_test_sink.h"

namespace orlin::filter::test {

using framework::CUnknown;
using framework::CMediaType;
using framework::CBaseObject;
using framework::DeleteMediaType;
using framework::MediaTypesEqual;
namespace {

using wire::kFourCC_I420;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

const GUID kI420Subtype = {kFourCC_I420, 0x0000, 0x0010,
                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

const VIDEOINFOHEADER& FormatOf(const AM_MEDIA_TYPE& type) {
  return *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

class CameraFilter : public FilterFixture {
 protected:
  // Creates the filter as its class factory does, with one reference.
  void Create() {
    HRESULT hr = S_OK;
    CUnknown* object = OrlinFilter::CreateInstance(nullptr, &hr);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(hr, S_OK);
    object->NonDelegatingAddRef();
    ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IBaseFilter, filter.ReceiveVoid()),
              S_OK);
    object->NonDelegatingRelease();
    ASSERT_EQ(filter->FindPin(ORLIN_TEXT("1"), pin.Receive()), S_OK);
    ASSERT_EQ(pin->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid()), S_OK);
    ASSERT_EQ(pin->QueryInterface(IID_IKsPropertySet, properties.ReceiveVoid()), S_OK);
  }
  OrlinStream* Stream() { return static_cast<OrlinFilter*>(filter.Get())->Stream(); }
  void TearDown() override {
    properties.Clear();
    config.Clear();
    pin.Clear();
    filter.Clear();
    FilterFixture::TearDown();
  }

  // The current format after SetFormat with a copy of it at another interval.
  VIDEOINFOHEADER SetInterval(REFERENCE_TIME interval, HRESULT expected = S_OK) {
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetFormat(&type), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = interval;
    EXPECT_EQ(config->SetFormat(type), expected);
    DeleteMediaType(type);
    return CurrentFormat();
  }
  VIDEOINFOHEADER CurrentFormat() {
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetFormat(&type), S_OK);
    VIDEOINFOHEADER format{};
    if (type != nullptr) std::memcpy(&format, type->pbFormat, sizeof format);
    DeleteMediaType(type);
    return format;
  }

  ComRef<IBaseFilter> filter;
  ComRef<IPin> pin;
  ComRef<IAMStreamConfig> config;
  ComRef<IKsPropertySet> properties;
};

TEST_F(CameraFilter, DefaultSettingsGiveTheI420TypeAndItsCapability) {
  Create();
  CMediaType type;
  ASSERT_EQ(Stream()->GetMediaType(0, &type), S_OK);
  EXPECT_EQ(type.majortype, MEDIATYPE_Video);
  EXPECT_EQ(type.subtype, kI420Subtype);
  EXPECT_EQ(type.formattype, FORMAT_VideoInfo);
  EXPECT_TRUE(type.bFixedSizeSamples);
  EXPECT_FALSE(type.bTemporalCompression);
  EXPECT_EQ(type.lSampleSize, 38016u);
  ASSERT_EQ(type.cbFormat, 88u);
  const VIDEOINFOHEADER& format = FormatOf(type);
  EXPECT_EQ(format.dwBitRate, 9123840u);
  EXPECT_EQ(format.AvgTimePerFrame, 333333);
  EXPECT_EQ(format.bmiHeader.biSize, 40u);
  EXPECT_EQ(format.bmiHeader.biWidth, 176);
  EXPECT_EQ(format.bmiHeader.biHeight, 144);
  EXPECT_EQ(format.bmiHeader.biPlanes, 3);
  EXPECT_EQ(format.bmiHeader.biBitCount, 12);
  EXPECT_EQ(format.bmiHeader.biCompression, kFourCC_I420);
  EXPECT_EQ(format.bmiHeader.biSizeImage, 38016u);

  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(size, 128);
  VIDEO_STREAM_CONFIG_CAPS caps{};
  AM_MEDIA_TYPE* capsType = nullptr;
  ASSERT_EQ(config->GetStreamCaps(0, &capsType, reinterpret_cast<BYTE*>(&caps)), S_OK);
  EXPECT_TRUE(MediaTypesEqual(*capsType, type));
  DeleteMediaType(capsType);
  EXPECT_EQ(caps.guid, FORMAT_VideoInfo);
  EXPECT_EQ(caps.InputSize.cx, 176);
  EXPECT_EQ(caps.MaxOutputSize.cy, 144);
  EXPECT_EQ(caps.OutputGranularityX, 176);
  EXPECT_EQ(caps.MinFrameInterval, 333333);
  EXPECT_EQ(caps.MaxFrameInterval, 10000000);
  EXPECT_EQ(caps.MinBitsPerSecond, 304128);
  EXPECT_EQ(caps.MaxBitsPerSecond, 9123840);
}

TEST_F(CameraFilter, OffersOneTypeAndAcceptsOnlyThatType) {
  Create();
  OrlinStream* stream = Stream();
  CMediaType type, second;
  ASSERT_EQ(stream->GetMediaType(0, &type), S_OK);
  EXPECT_EQ(stream->GetMediaType(1, &second), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(stream->CheckMediaType(&type), S_OK);
  reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biPlanes = 1;
  EXPECT_EQ(stream->CheckMediaType(&type), E_FAIL);
}

TEST_F(CameraFilter, FrameIntervalTakesOnlyTheOpenRangeAboveThirtyFramesUpToOneSecond) {
  Create();
  VIDEOINFOHEADER format = SetInterval(333334);
  EXPECT_EQ(format.AvgTimePerFrame, 333334);
  EXPECT_EQ(format.dwBitRate, 9123821u);
  format = SetInterval(10000000);
  EXPECT_EQ(format.AvgTimePerFrame, 10000000);
  EXPECT_EQ(format.dwBitRate, 304128u);
  // Out of range: back to 30 frames a second, not clamped to the nearest end.
  format = SetInterval(10000001);
  EXPECT_EQ(format.AvgTimePerFrame, 333333);
  EXPECT_EQ(format.dwBitRate, 9123840u);
  SetInterval(500000);
  format = SetInterval(333333);
  EXPECT_EQ(format.AvgTimePerFrame, 333333);
  EXPECT_EQ(format.dwBitRate, 9123840u);
}

TEST_F(CameraFilter, SetFormatTakesTopDownRowsButRefusesAnotherSizeOrType) {
  Create();
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
  format->bmiHeader.biHeight = -144;
  format->AvgTimePerFrame = 400000;
  EXPECT_EQ(config->SetFormat(type), S_OK);
  EXPECT_EQ(CurrentFormat().AvgTimePerFrame, 400000);
  EXPECT_EQ(CurrentFormat().bmiHeader.biHeight, 144);  // the size never changes

  format->AvgTimePerFrame = 500000;
  format->bmiHeader.biWidth = 320;
  EXPECT_EQ(config->SetFormat(type), E_FAIL);
  format->bmiHeader.biWidth = 176;
  type->cbFormat = 87;
  EXPECT_EQ(config->SetFormat(type), E_FAIL);
  type->cbFormat = 88;
  type->subtype = MEDIASUBTYPE_YV12;
  EXPECT_EQ(config->SetFormat(type), E_FAIL);
  EXPECT_EQ(CurrentFormat().AvgTimePerFrame, 400000);  // nothing changed
  DeleteMediaType(type);
  EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
}

TEST_F(CameraFilter, StreamCapsIndexAboveZeroIsTheEndAndNegativeIndexIsTheFirst) {
  Create();
  VIDEO_STREAM_CONFIG_CAPS caps{};
  AM_MEDIA_TYPE* type = nullptr;
  EXPECT_EQ(config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(type, nullptr);
  ASSERT_EQ(config->GetStreamCaps(-1, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  EXPECT_EQ(caps.MaxBitsPerSecond, 9123840);
  DeleteMediaType(type);
  EXPECT_EQ(config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps)), E_POINTER);
  EXPECT_EQ(config->GetStreamCaps(0, &type, nullptr), E_POINTER);
  int count = 0;
  EXPECT_EQ(config->GetNumberOfCapabilities(&count, nullptr), E_POINTER);
}

TEST_F(CameraFilter, PinCategoryIsCaptureAndASmallBufferStillLearnsTheSize) {
  Create();
  DWORD returned = 0;
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0,
                            &returned),
            S_OK);
  EXPECT_EQ(returned, 16u);
  GUID category = GUID_NULL;
  returned = 0;
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 8,
                            &returned),
            E_UNEXPECTED);
  EXPECT_EQ(returned, 16u);
  EXPECT_EQ(category, GUID_NULL);
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16,
                            nullptr),
            S_OK);
  EXPECT_EQ(category, PIN_CATEGORY_CAPTURE);
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0,
                            nullptr),
            E_POINTER);
  EXPECT_EQ(properties->Get(MEDIATYPE_Video, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16,
                            &returned),
            E_PROP_SET_UNSUPPORTED);
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_MEDIUM, nullptr, 0, &category, 16,
                            &returned),
            E_PROP_ID_UNSUPPORTED);
  DWORD support = 0;
  EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support), S_OK);
  EXPECT_EQ(support, DWORD(KSPROPERTY_SUPPORT_GET));
  EXPECT_EQ(properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16),
            E_NOTIMPL);
}

TEST_F(CameraFilter, SubtypeFollowsTheFourCCOrForNoneTheBitCount) {
  StoreSettings({0, 176, 144, 24, 0, 0, 0});
  Create();
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  EXPECT_EQ(type->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(type->lSampleSize, 176u * 144 * 3);
  DeleteMediaType(type);

  BITMAPINFOHEADER header{};
  header.biBitCount = 12;
  EXPECT_EQ(GetBitmapSubtype(header), GUID_NULL);
  header.biBitCount = 16;
  EXPECT_EQ(GetBitmapSubtype(header), MEDIASUBTYPE_RGB555);
  header.biCompression = 3;  // BI_BITFIELDS: the masks decide
  const DWORD rgb565[] = {0xF800, 0x07E0, 0x001F};
  const DWORD rgb555[] = {0x7C00, 0x03E0, 0x001F};
  const DWORD other[] = {0x001F, 0x07E0, 0xF800};
  EXPECT_EQ(GetBitmapSubtype(header, rgb565), MEDIASUBTYPE_RGB565);
  EXPECT_EQ(GetBitmapSubtype(header, rgb555), MEDIASUBTYPE_RGB555);
  EXPECT_EQ(GetBitmapSubtype(header, other), GUID_NULL);
  EXPECT_EQ(GetBitmapSubtype(header), GUID_NULL);
  header.biCompression = kFourCC_YV12;
  EXPECT_EQ(GetBitmapSubtype(header), MEDIASUBTYPE_YV12);
}

TEST_F(CameraFilter, AskesForTwoBuffersOrAsManyAsDownstreamWants) {
  Create();
  RecordingSink sink;
  ASSERT_EQ(pin->Connect(&sink, nullptr), S_OK);
  ALLOCATOR_PROPERTIES props{};
  ASSERT_TRUE(sink.allocator);
  ASSERT_EQ(sink.allocator->GetProperties(&props), S_OK);
  EXPECT_EQ(props.cBuffers, 2);
  EXPECT_EQ(props.cbBuffer, 38016);
  ASSERT_EQ(pin->Disconnect(), S_OK);
  sink.Disconnect();

  RecordingSink greedy;
  greedy.buffersWanted = 5;
  ASSERT_EQ(pin->Connect(&greedy, nullptr), S_OK);
  ASSERT_EQ(greedy.allocator->GetProperties(&props), S_OK);
  EXPECT_EQ(props.cBuffers, 5);
  ASSERT_EQ(pin->Disconnect(), S_OK);
  greedy.Disconnect();
  EXPECT_EQ(sink.References(), 1);
  EXPECT_EQ(greedy.References(), 1);
}

// Formats beyond the countdown stream in pieces: the type and the buffers are
// the whole frame's all the same.
TEST_F(CameraFilter, LargeFormatsAskForBuffersOfTheirWholeFrame) {
  struct Case {
    settings::VideoFormatSettings settings;
    ULONG sampleSize;
  };
  const Case cases[] = {
      {{kFourCC_I420, 1920, 1080, 12, 0, 0, 0}, 3110400},
      {{kFourCC_IYUV, 1920, 1080, 12, 1, 0, 0}, 3110400},
      {{kFourCC_YUY2, 1920, 1080, 16, 0, 0, 0}, 4147200},
  };
  for (const Case& c : cases) {
    StoreSettings(c.settings);
    Create();
    CMediaType type;
    ASSERT_EQ(Stream()->GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.lSampleSize, c.sampleSize);
    EXPECT_EQ(FormatOf(type).bmiHeader.biSizeImage, c.sampleSize);
    RecordingSink sink;
    ASSERT_EQ(pin->Connect(&sink, nullptr), S_OK);
    ALLOCATOR_PROPERTIES props{};
    ASSERT_EQ(sink.allocator->GetProperties(&props), S_OK);
    EXPECT_EQ(ULONG(props.cbBuffer), c.sampleSize);
    ASSERT_EQ(pin->Disconnect(), S_OK);
    sink.Disconnect();
    properties.Clear();
    config.Clear();
    pin.Clear();
    filter.Clear();
  }
}

TEST_F(CameraFilter, AFormatWithoutASampleIsRefusedAtConnection) {
  StoreSettings({kFourCC_IYUV, 0, 144, 12, 0, 0, 0});
  Create();
  RecordingSink sink;
  EXPECT_EQ(pin->Connect(&sink, nullptr), VFW_E_INVALIDMEDIATYPE);
  sink.Disconnect();
  EXPECT_EQ(sink.References(), 1);
}

TEST_F(CameraFilter, CompressionThatTheSampleCannotHoldIsRefusedAtConnection) {
  // IYUV at 8 bits per pixel: a decoded 4:2:0 picture needs 12.
  StoreSettings({kFourCC_IYUV, 176, 144, 8, 1, 0, 0});
  Create();
  RecordingSink sink;
  EXPECT_EQ(pin->Connect(&sink, nullptr), VFW_E_INVALIDMEDIATYPE);
  sink.Disconnect();
  EXPECT_EQ(sink.References(), 1);
}

TEST_F(CameraFilter, PausedIsReportedAsUnableToCue) {
  Create();
  FILTER_STATE state = State_Running;
  EXPECT_EQ(filter->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(filter->Pause(), S_OK);  // unconnected: no worker
  EXPECT_EQ(filter->GetState(0, &state), VFW_S_CANT_CUE);
  EXPECT_EQ(state, State_Paused);
  ASSERT_EQ(filter->Run(0), S_OK);
  EXPECT_EQ(filter->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  ASSERT_EQ(filter->Stop(), S_OK);
}

TEST_F(CameraFilter, PinAndItsFacesCountOnTheFilter) {
  Create();
  EXPECT_EQ(CBaseObject::ObjectsActive(), 2);  // filter and pin
  ComRef<IPin> again;
  ASSERT_EQ(config->QueryInterface(IID_IPin, again.ReceiveVoid()), S_OK);
  EXPECT_EQ(again.Get(), pin.Get());
  // Released in the other order: the filter lives while any face is held.
  filter.Clear();
  pin.Clear();
  again.Clear();
  config.Clear();
  EXPECT_EQ(CBaseObject::ObjectsActive(), 2);
  properties.Clear();
}

}  // namespace
}  // namespace orlin::filter::test
