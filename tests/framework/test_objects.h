// Test doubles around the framework: a scripted source pin and filter, a sink
// input pin of our own that records what it receives, and a graph with an event
// sink. Each double counts its references so that tests can check they all end.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "filter/framework/media_type.h"
#include "filter/framework/source.h"
#include "filter/framework/source_stream.h"
#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/connected_input_pin.h"
#include "orlin/input_pin.h"
#include "tests/support/wait.h"

namespace orlin::framework::test {

inline constexpr CLSID kTestClsid = {0x12345678, 0x1234, 0x5678,
                                     {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};
inline constexpr GUID kAudioType = {0x73647561, 0x0000, 0x0010,
                                    {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// A video type of width x height with a VIDEOINFOHEADER block.
void MakeVideoType(AM_MEDIA_TYPE* type, const GUID& subtype, LONG width = 16, LONG height = 8);

using orlin::test::WaitUntil;

// The source pin: one YV12 type, a scripted FillBuffer.
class TestStream : public CSourceStream {
 public:
  TestStream(HRESULT* phr, CSource* filter);

  using CSourceStream::GetMediaType;
  HRESULT GetMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadDestroy() override;

  void BumpTypeVersion() { ++type_version_; }

  // Script and records. Set before the worker starts; the counters are read while it runs.
  std::function<HRESULT(int call)> fill = [](int) { return S_OK; };
  HRESULT check_result = S_OK;  // used for our own type; others give E_FAIL
  HRESULT create_result = S_OK;
  LONG prefix_from_first_sizing = 0;  // written into the request by the first DecideBufferSize
  std::vector<GUID> checked;          // subtypes CheckMediaType was asked about, in order
  std::vector<ALLOCATOR_PROPERTIES> sizing_requests;  // as each DecideBufferSize received them
  std::atomic<int> fills{0};
  std::atomic<int> creates{0};
  std::atomic<int> destroys{0};
};

// The filter: one TestStream, a controllable pin version.
class TestSource : public CSource {
 public:
  // A filter holding one reference for the caller.
  static TestSource* Create(IUnknown* outer = nullptr);
  LONG GetPinVersion() override { return pin_version.load(); }
  TestStream* Stream() { return stream_; }

  std::atomic<LONG> pin_version{1};

 private:
  explicit TestSource(IUnknown* outer);
  TestStream* stream_ = nullptr;
};

// A downstream input pin that records what arrives and refuses on request.
class TestSink final : public ConnectedInputPin<CountedInputPin> {
 public:
  TestSink();
  // ---- IPin ----
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;

  // ---- IMemInputPin ----
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                            LONG* nSamplesProcessed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

  // Configuration, set before connecting.
  PIN_DIRECTION direction = PINDIR_INPUT;
  std::vector<GUID> offered;             // video subtypes its enumerator offers; audio for GUID_NULL
  HRESULT receive_connection_result = S_OK;
  bool offer_allocator = true;           // GetAllocator gives one of its own
  HRESULT notify_result = S_OK;          // for its own allocator
  HRESULT notify_foreign_result = S_OK;  // for any other allocator
  ALLOCATOR_PROPERTIES requirements{};
  HRESULT receive_result = S_OK;

  // Records.
  ComRef<IMemAllocator> own_allocator;
  std::vector<IMemAllocator*> notified;  // not counted: identities only
  int enum_calls = 0;
  std::atomic<int> samples{0};
  std::atomic<int> end_of_streams{0};
  CMediaType type;  // the type of the last connection it took
  using ConnectedInputPin::Connected;

 private:
  ~TestSink() override;
  // Refuses with receive_connection_result when that is a failure.
  HRESULT AcceptConnection(const AM_MEDIA_TYPE& pmt) override;
};

// A graph that is only an event sink: what the worker reports arrives here.
class TestGraph final : public IFilterGraph, public IMediaEventSink {
 public:
  struct Event {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
  };

  LONG References() const { return refs_.load(); }
  std::vector<Event> Events();

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }

  // ---- IFilterGraph ----
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

  // ---- IMediaEventSink ----
  HRESULT STDMETHODCALLTYPE Notify(LONG EventCode, LONG_PTR EventParam1,
                                   LONG_PTR EventParam2) override;

 private:
  std::atomic<LONG> refs_{1};
  std::mutex mutex_;
  std::vector<Event> events_;
};

// Every test starts with a fresh filter and sink and ends by checking that every
// reference was given back and no counted object is left.
class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TestStream* Stream() { return filter->Stream(); }
  IPin* Pin() { return &static_cast<IPin&>(*filter->Stream()); }
  IBaseFilter* Filter() { return &static_cast<IBaseFilter&>(*filter); }
  HRESULT Connect(const AM_MEDIA_TYPE* type = nullptr) { return Pin()->Connect(sink, type); }
  // Connects and checks it worked.
  void ConnectOrFail();

  TestSource* filter = nullptr;
  TestSink* sink = nullptr;
  TestGraph graph;
};

}  // namespace orlin::framework::test
