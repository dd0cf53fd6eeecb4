// DirectShow: media types, video format blocks and the filter, pin, sample and
// allocator interfaces. On Windows they come from the SDK (link strmiids). On
// Linux these are the SDK's declarations in the SDK's method order, with the real
// identifier values; host objects built on them live in platform/posix/dshow/.
#pragma once

#include "orlin/com.h"

#ifdef _WIN32
#include <dshow.h>
#else
#include <cstdint>

using REFERENCE_TIME = LONGLONG;
using HEVENT = DWORD_PTR;
using HSEMAPHORE = DWORD_PTR;

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: top-down rows
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;  // task memory
};

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

#define MAX_PIN_NAME 128
#define MAX_FILTER_NAME 128

struct IBaseFilter;
struct IFilterGraph;  // referenced by JoinFilterGraph only
struct IPin;
struct IEnumPins;
struct IEnumMediaTypes;
struct IMediaSample;
struct IMemAllocator;
struct IReferenceClock;
struct IEnumFilters;  // referenced by IFilterGraph only

struct PIN_INFO {
  IBaseFilter* pFilter;  // holds a reference
  PIN_DIRECTION dir;
  WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME];
  IFilterGraph* pGraph;  // holds a reference
};

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
};

// Flags of IMemAllocator::GetBuffer.
#define AM_GBF_PREVFRAMESKIPPED 1
#define AM_GBF_NOTASYNCPOINT 2
#define AM_GBF_NOWAIT 4

struct IReferenceClock : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                               HEVENT hEvent, DWORD_PTR* pdwAdviseCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME startTime,
                                                   REFERENCE_TIME periodTime,
                                                   HSEMAPHORE hSemaphore,
                                                   DWORD_PTR* pdwAdviseCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR dwAdviseCookie) = 0;
};

struct IMediaFilter : public IPersist {
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
  virtual HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* pClock) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) = 0;
};

struct IBaseFilter : public IMediaFilter {
  virtual HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) = 0;
};

struct IPin : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector,
                                                      const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) = 0;
  virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
  virtual HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                               double dRate) = 0;
};

struct IEnumPins : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) = 0;
};

struct IEnumMediaTypes : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes,
                                         ULONG* pcFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cMediaTypes) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) = 0;
};

struct IMediaSample : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPointer(BYTE** ppBuffer) = 0;
  virtual LONG STDMETHODCALLTYPE GetSize() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTimeStart,
                                            REFERENCE_TIME* pTimeEnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* pTimeStart,
                                            REFERENCE_TIME* pTimeEnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsSyncPoint() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL bIsSyncPoint) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPreroll() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPreroll(BOOL bIsPreroll) = 0;
  virtual LONG STDMETHODCALLTYPE GetActualDataLength() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** ppMediaType) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* pMediaType) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsDiscontinuity() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL bDiscontinuity) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) = 0;
};

struct IMemAllocator : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                                  ALLOCATOR_PROPERTIES* pActual) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* pProps) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                              REFERENCE_TIME* pEndTime, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* pBuffer) = 0;
};

struct IMemInputPin : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) = 0;
  virtual HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) = 0;
  virtual HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                                    LONG* nSamplesProcessed) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReceiveCanBlock() = 0;
};

struct IFilterGraph : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* pFilter, LPCWSTR pName) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* pFilter) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* ppinOut, IPin* ppinIn,
                                                  const AM_MEDIA_TYPE* pmt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reconnect(IPin* ppin) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect(IPin* ppin) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() = 0;
};

struct IMediaEventSink : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Notify(LONG EventCode, LONG_PTR EventParam1,
                                           LONG_PTR EventParam2) = 0;
};

enum QualityMessageType { Famine = 0, Flood = 1 };

struct Quality {
  QualityMessageType Type;
  LONG Proportion;
  REFERENCE_TIME Late;
  REFERENCE_TIME TimeStamp;
};

struct IQualityControl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* pSelf, Quality q) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* piqc) = 0;
};

struct IAMovieSetup : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Register() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unregister() = 0;
};

// Event codes a filter sends to its graph's event sink.
#define EC_ERRORABORT 0x03
#define EC_USER 0x8000  // the first code a filter may define for itself

// Interface identifiers.
inline constexpr IID IID_IPin = {0x56a86891, 0x0ad4, 0x11ce,
                                 {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IEnumPins = {0x56a86892, 0x0ad4, 0x11ce,
                                      {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IBaseFilter = {0x56a86895, 0x0ad4, 0x11ce,
                                        {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IReferenceClock = {0x56a86897, 0x0ad4, 0x11ce,
                                            {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IMediaFilter = {0x56a86899, 0x0ad4, 0x11ce,
                                         {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IMediaSample = {0x56a8689a, 0x0ad4, 0x11ce,
                                         {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IMemAllocator = {0x56a8689c, 0x0ad4, 0x11ce,
                                          {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IMemInputPin = {0x56a8689d, 0x0ad4, 0x11ce,
                                         {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IFilterGraph = {0x56a8689f, 0x0ad4, 0x11ce,
                                         {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IMediaEventSink = {0x56a868a2, 0x0ad4, 0x11ce,
                                            {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IQualityControl = {0x56a868a5, 0x0ad4, 0x11ce,
                                            {0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr IID IID_IAMovieSetup = {0xa3d8cec0, 0x7e5a, 0x11cf,
                                         {0xbb, 0xc5, 0x00, 0x80, 0x5f, 0x6c, 0xef, 0x20}};
inline constexpr IID IID_IEnumMediaTypes = {0x89c31040, 0x846b, 0x11ce,
                                            {0x97, 0xd3, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};

// The platform's memory allocator class (an in-process server).
inline constexpr CLSID CLSID_MemoryAllocator = {0x1e651cc0, 0xb199, 0x11d0,
                                                {0x82, 0x12, 0x00, 0xc0, 0x4f, 0xc3, 0x2c, 0x45}};
// The platform's reference clock class (an in-process server).
inline constexpr CLSID CLSID_SystemClock = {0xe436ebb1, 0x524f, 0x11ce,
                                            {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

// Media types, format types and subtypes. A FourCC subtype is the FourCC in
// Data1 followed by the fixed tail of the FourCC family.
inline constexpr GUID MEDIATYPE_Video = {0x73646976, 0x0000, 0x0010,
                                         {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID FORMAT_VideoInfo = {0x05589f80, 0xc356, 0x11ce,
                                          {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};
inline constexpr GUID MEDIASUBTYPE_YV12 = {0x32315659, 0x0000, 0x0010,
                                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID MEDIASUBTYPE_IYUV = {0x56555949, 0x0000, 0x0010,
                                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID MEDIASUBTYPE_YUY2 = {0x32595559, 0x0000, 0x0010,
                                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID MEDIASUBTYPE_UYVY = {0x59565955, 0x0000, 0x0010,
                                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID MEDIASUBTYPE_NV12 = {0x3231564e, 0x0000, 0x0010,
                                           {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID MEDIASUBTYPE_RGB24 = {0xe436eb7d, 0x524f, 0x11ce,
                                            {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32 = {0xe436eb7e, 0x524f, 0x11ce,
                                            {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

// DirectShow result codes, with the SDK's values.
#define VFW_S_NO_MORE_ITEMS (static_cast<HRESULT>(0x00040103))
#define VFW_E_INVALIDMEDIATYPE (static_cast<HRESULT>(0x80040200))
#define VFW_E_INVALIDSUBTYPE (static_cast<HRESULT>(0x80040201))
#define VFW_E_NEED_OWNER (static_cast<HRESULT>(0x80040202))
#define VFW_E_ENUM_OUT_OF_SYNC (static_cast<HRESULT>(0x80040203))
#define VFW_E_ALREADY_CONNECTED (static_cast<HRESULT>(0x80040204))
#define VFW_E_FILTER_ACTIVE (static_cast<HRESULT>(0x80040205))
#define VFW_E_NO_TYPES (static_cast<HRESULT>(0x80040206))
#define VFW_E_NO_ACCEPTABLE_TYPES (static_cast<HRESULT>(0x80040207))
#define VFW_E_INVALID_DIRECTION (static_cast<HRESULT>(0x80040208))
#define VFW_E_NOT_CONNECTED (static_cast<HRESULT>(0x80040209))
#define VFW_E_NO_ALLOCATOR (static_cast<HRESULT>(0x8004020A))
#define VFW_E_RUNTIME_ERROR (static_cast<HRESULT>(0x8004020B))
#define VFW_E_BUFFER_NOTSET (static_cast<HRESULT>(0x8004020C))
#define VFW_E_BUFFER_OVERFLOW (static_cast<HRESULT>(0x8004020D))
#define VFW_E_BADALIGN (static_cast<HRESULT>(0x8004020E))
#define VFW_E_ALREADY_COMMITTED (static_cast<HRESULT>(0x8004020F))
#define VFW_E_BUFFERS_OUTSTANDING (static_cast<HRESULT>(0x80040210))
#define VFW_E_NOT_COMMITTED (static_cast<HRESULT>(0x80040211))
#define VFW_E_SIZENOTSET (static_cast<HRESULT>(0x80040212))
#define VFW_E_NO_CLOCK (static_cast<HRESULT>(0x80040213))
#define VFW_E_NO_SINK (static_cast<HRESULT>(0x80040214))
#define VFW_E_NO_INTERFACE (static_cast<HRESULT>(0x80040215))
#define VFW_E_NOT_FOUND (static_cast<HRESULT>(0x80040216))
#define VFW_E_CANNOT_CONNECT (static_cast<HRESULT>(0x80040217))
#define VFW_E_CANNOT_RENDER (static_cast<HRESULT>(0x80040218))
#define VFW_E_CHANGING_FORMAT (static_cast<HRESULT>(0x80040219))
#define VFW_E_STATE_CHANGED (static_cast<HRESULT>(0x80040223))
#define VFW_E_NOT_STOPPED (static_cast<HRESULT>(0x80040224))
#define VFW_E_NOT_PAUSED (static_cast<HRESULT>(0x80040225))
#define VFW_E_NOT_RUNNING (static_cast<HRESULT>(0x80040226))
#define VFW_E_WRONG_STATE (static_cast<HRESULT>(0x80040227))
#define VFW_E_START_TIME_AFTER_END (static_cast<HRESULT>(0x80040228))
#define VFW_E_INVALID_RECT (static_cast<HRESULT>(0x80040229))
#define VFW_E_TYPE_NOT_ACCEPTED (static_cast<HRESULT>(0x8004022A))
#define VFW_E_SAMPLE_REJECTED (static_cast<HRESULT>(0x8004022B))
#define VFW_E_SAMPLE_REJECTED_EOS (static_cast<HRESULT>(0x8004022C))
#define VFW_E_TIMEOUT (static_cast<HRESULT>(0x8004022E))
#define VFW_E_ENUM_OUT_OF_RANGE (static_cast<HRESULT>(0x80040230))
#define VFW_E_SAMPLE_TIME_NOT_SET (static_cast<HRESULT>(0x80040249))
#define VFW_E_MEDIA_TIME_NOT_SET (static_cast<HRESULT>(0x80040251))
#define VFW_S_NO_STOP_TIME (static_cast<HRESULT>(0x00040270))
#endif
