// What a capture pin answers besides IPin: its formats and frame rates
// (IAMStreamConfig) and its pin category (IKsPropertySet), with the subtypes and
// results they use. On Windows the SDK declares them; on Linux these are the
// SDK's declarations in its method order, with the real identifier values.
#pragma once

#include "orlin/dshow.h"
#include "orlin/filter_mapper.h"  // PIN_CATEGORY_CAPTURE

#ifndef _WIN32
struct SIZE {
  LONG cx;
  LONG cy;
};

struct VIDEO_STREAM_CONFIG_CAPS {
  GUID guid;
  ULONG VideoStandard;
  SIZE InputSize;
  SIZE MinCroppingSize;
  SIZE MaxCroppingSize;
  int CropGranularityX;
  int CropGranularityY;
  int CropAlignX;
  int CropAlignY;
  SIZE MinOutputSize;
  SIZE MaxOutputSize;
  int OutputGranularityX;
  int OutputGranularityY;
  int StretchTapsX;
  int StretchTapsY;
  int ShrinkTapsX;
  int ShrinkTapsY;
  LONGLONG MinFrameInterval;
  LONGLONG MaxFrameInterval;
  LONG MinBitsPerSecond;
  LONG MaxBitsPerSecond;
};

struct IAMStreamConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* piCount, int* piSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStreamCaps(int iIndex, AM_MEDIA_TYPE** pmt, BYTE* pSCC) = 0;
};

#define KSPROPERTY_SUPPORT_GET 1
#define KSPROPERTY_SUPPORT_SET 2
enum AMPROPERTY_PIN { AMPROPERTY_PIN_CATEGORY = 0, AMPROPERTY_PIN_MEDIUM = 1 };

struct IKsPropertySet : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                        DWORD cbInstanceData, LPVOID pPropData,
                                        DWORD cbPropData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                        DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData,
                                        DWORD* pcbReturned) = 0;
  virtual HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID guidPropSet, DWORD dwPropID,
                                                   DWORD* pTypeSupport) = 0;
};

#define E_PROP_ID_UNSUPPORTED (static_cast<HRESULT>(0x80070490))
#define E_PROP_SET_UNSUPPORTED (static_cast<HRESULT>(0x80070492))
// A live source's answer to GetState while paused: it cannot promise a sample.
#define VFW_S_CANT_CUE (static_cast<HRESULT>(0x00040268))

inline constexpr IID IID_IAMStreamConfig = {0xc6e13340, 0x30ac, 0x11d0,
                                            {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
inline constexpr IID IID_IKsPropertySet = {0x31efac30, 0x515c, 0x11d0,
                                           {0xa9, 0xaa, 0x00, 0xaa, 0x00, 0x61, 0xbe, 0x93}};
inline constexpr GUID AMPROPSETID_Pin = {0x9b00f101, 0x1567, 0x11d1,
                                         {0xb3, 0xf1, 0x00, 0xaa, 0x00, 0x37, 0x61, 0xc5}};
inline constexpr GUID MEDIASUBTYPE_RGB1 = {0xe436eb78, 0x524f, 0x11ce,
                                           {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB4 = {0xe436eb79, 0x524f, 0x11ce,
                                           {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB8 = {0xe436eb7a, 0x524f, 0x11ce,
                                           {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB565 = {0xe436eb7b, 0x524f, 0x11ce,
                                             {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB555 = {0xe436eb7c, 0x524f, 0x11ce,
                                             {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
#endif
