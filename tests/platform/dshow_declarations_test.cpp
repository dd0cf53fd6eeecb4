// Identifier values, result codes and record layouts that DirectShow hosts and
// the filter framework rely on. Under Wine the same checks run against the SDK's
// own declarations, which keeps the expectations honest.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "orlin/dshow.h"

namespace {

std::string Format(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

TEST(ComDeclarations, InterfaceIdentifiersHaveTheirRegisteredValues) {
  EXPECT_EQ(Format(IID_IUnknown), "00000000-0000-0000-C000-000000000046");
  EXPECT_EQ(Format(IID_IPersist), "0000010C-0000-0000-C000-000000000046");
  EXPECT_EQ(Format(IID_IPin), "56A86891-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IEnumPins), "56A86892-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IBaseFilter), "56A86895-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IReferenceClock), "56A86897-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IMediaFilter), "56A86899-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IMediaSample), "56A8689A-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IMemAllocator), "56A8689C-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IMemInputPin), "56A8689D-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IFilterGraph), "56A8689F-0AD4-11CE-B03A-0020AF0BA770");
  EXPECT_EQ(Format(IID_IEnumMediaTypes), "89C31040-846B-11CE-97D3-00AA0055595A");
}

TEST(ComDeclarations, MediaTypeIdentifiersHaveTheirRegisteredValues) {
  EXPECT_EQ(Format(MEDIATYPE_Video), "73646976-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(FORMAT_VideoInfo), "05589F80-C356-11CE-BF01-00AA0055595A");
  EXPECT_EQ(Format(MEDIASUBTYPE_YV12), "32315659-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(MEDIASUBTYPE_IYUV), "56555949-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(MEDIASUBTYPE_YUY2), "32595559-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(MEDIASUBTYPE_UYVY), "59565955-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(MEDIASUBTYPE_NV12), "3231564E-0000-0010-8000-00AA00389B71");
  EXPECT_EQ(Format(MEDIASUBTYPE_RGB24), "E436EB7D-524F-11CE-9F53-0020AF0BA770");
  EXPECT_EQ(Format(MEDIASUBTYPE_RGB32), "E436EB7E-524F-11CE-9F53-0020AF0BA770");
  EXPECT_EQ(Format(GUID_NULL), "00000000-0000-0000-0000-000000000000");
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_YV12, MEDIASUBTYPE_YV12));
  EXPECT_FALSE(IsEqualGUID(MEDIASUBTYPE_YV12, MEDIASUBTYPE_IYUV));
}

TEST(ComDeclarations, ResultCodesHaveTheirSdkValues) {
  EXPECT_EQ(static_cast<unsigned>(E_NOTIMPL), 0x80004001u);
  EXPECT_EQ(static_cast<unsigned>(E_NOINTERFACE), 0x80004002u);
  EXPECT_EQ(static_cast<unsigned>(E_POINTER), 0x80004003u);
  EXPECT_EQ(static_cast<unsigned>(E_FAIL), 0x80004005u);
  EXPECT_EQ(static_cast<unsigned>(E_UNEXPECTED), 0x8000FFFFu);
  EXPECT_EQ(static_cast<unsigned>(E_OUTOFMEMORY), 0x8007000Eu);
  EXPECT_EQ(static_cast<unsigned>(E_INVALIDARG), 0x80070057u);
  EXPECT_EQ(static_cast<unsigned>(CLASS_E_NOAGGREGATION), 0x80040110u);
  EXPECT_EQ(static_cast<unsigned>(CLASS_E_CLASSNOTAVAILABLE), 0x80040111u);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_NOT_CONNECTED), 0x80040209u);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_ALREADY_CONNECTED), 0x80040204u);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_NO_ACCEPTABLE_TYPES), 0x80040207u);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_TYPE_NOT_ACCEPTED), 0x8004022Au);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_NOT_COMMITTED), 0x80040211u);
  EXPECT_EQ(static_cast<unsigned>(VFW_E_SIZENOTSET), 0x80040212u);
  EXPECT_EQ(static_cast<unsigned>(VFW_S_NO_MORE_ITEMS), 0x00040103u);
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(FAILED(E_POINTER));
  EXPECT_EQ(static_cast<unsigned>(HRESULT_FROM_WIN32(5)), 0x80070005u);
  EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
}

TEST(ComDeclarations, FormatRecordsHaveTheSdkLayout) {
  EXPECT_EQ(sizeof(BITMAPINFOHEADER), 40u);
  EXPECT_EQ(sizeof(VIDEOINFOHEADER), 88u);
  EXPECT_EQ(offsetof(VIDEOINFOHEADER, AvgTimePerFrame), 40u);
  EXPECT_EQ(offsetof(VIDEOINFOHEADER, bmiHeader), 48u);
  EXPECT_EQ(offsetof(AM_MEDIA_TYPE, lSampleSize), 40u);
  EXPECT_EQ(offsetof(AM_MEDIA_TYPE, formattype), 44u);
  EXPECT_EQ(offsetof(AM_MEDIA_TYPE, pUnk), sizeof(void*) == 8 ? 64u : 60u);
  EXPECT_EQ(offsetof(AM_MEDIA_TYPE, pbFormat), sizeof(void*) == 8 ? 80u : 68u);
  EXPECT_EQ(sizeof(ALLOCATOR_PROPERTIES), 16u);
  EXPECT_EQ(sizeof(PIN_INFO::achName), 128 * sizeof(WCHAR));
  EXPECT_EQ(sizeof(FILTER_INFO::achName), 128 * sizeof(WCHAR));
  EXPECT_EQ(sizeof(REFERENCE_TIME), 8u);
}

TEST(ComDeclarations, TaskMemoryRoundTrips) {
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(88));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 88; ++i) block[i] = static_cast<BYTE>(i);
  EXPECT_EQ(block[87], 87);
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
}

}  // namespace
