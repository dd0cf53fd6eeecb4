#include "tests/framework/test_objects.h"


#include "filter/framework/base_object.h"
#include "orlin/com_object.h"

namespace orlin::framework::test {

void MakeVideoType(AM_MEDIA_TYPE* type, const GUID& subtype, LONG width, LONG height) {
  FreeMediaType(type);
  InitMediaType(type);
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  type->formattype = FORMAT_VideoInfo;
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(AllocFormatBuffer(type, sizeof(VIDEOINFOHEADER)));
  ASSERT_NE(info, nullptr);
  *info = VIDEOINFOHEADER{};
  info->AvgTimePerFrame = 333333;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 12;
  info->bmiHeader.biCompression = subtype.Data1;
  info->bmiHeader.biSizeImage = static_cast<DWORD>(width * height * 12 / 8);
  type->lSampleSize = info->bmiHeader.biSizeImage;
}

// ---- TestStream ----

TestStream::TestStream(HRESULT* phr, CSource* filter)
    : CSourceStream(ORLIN_TEXT("test stream"), phr, filter, ORLIN_TEXT("Test Pin")) {}

HRESULT TestStream::GetMediaType(AM_MEDIA_TYPE* type) {
  MakeVideoType(type, MEDIASUBTYPE_YV12);
  return S_OK;
}

HRESULT TestStream::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type != nullptr) checked.push_back(type->subtype);
  const HRESULT hr = CSourceStream::CheckMediaType(type);
  return hr == S_OK ? check_result : hr;
}

HRESULT TestStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  sizing_requests.push_back(*request);
  if (sizing_requests.size() == 1 && prefix_from_first_sizing != 0) {
    request->cbPrefix = prefix_from_first_sizing;
  }
  CMediaType mine;
  GetMediaType(&mine);
  request->cBuffers = 2;
  request->cbBuffer = static_cast<LONG>(mine.lSampleSize);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT TestStream::FillBuffer(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  if (data != nullptr) data[0] = static_cast<BYTE>(fills.load());
  return fill(++fills);
}

HRESULT TestStream::OnThreadCreate() {
  ++creates;
  return create_result;
}

HRESULT TestStream::OnThreadDestroy() {
  ++destroys;
  return S_OK;
}

// ---- TestSource ----

TestSource::TestSource(IUnknown* outer) : CSource(ORLIN_TEXT("test source"), outer, kTestClsid) {
  CAutoLock lock(&state_lock_);
  HRESULT hr = S_OK;
  stream_ = new TestStream(&hr, this);
  EXPECT_EQ(hr, S_OK);
}

TestSource* TestSource::Create(IUnknown* outer) {
  auto* filter = new TestSource(outer);
  filter->NonDelegatingAddRef();
  return filter;
}

// ---- TestSink: its media type enumerator ----

namespace {
class TypeList final : public ComObject<IEnumMediaTypes, IID_IEnumMediaTypes> {
 public:
  explicit TypeList(std::vector<GUID> subtypes) : subtypes_(std::move(subtypes)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    ULONG n = 0;
    for (; n < count && position_ < subtypes_.size(); ++n, ++position_) {
      CMediaType type;
      if (IsEqualGUID(subtypes_[position_], GUID_NULL)) {
        type.majortype = kAudioType;
      } else {
        MakeVideoType(&type, subtypes_[position_]);
      }
      types[n] = CreateMediaType(&type);
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    position_ += count;
    return position_ <= subtypes_.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

 private:
  std::vector<GUID> subtypes_;
  std::size_t position_ = 0;
};
}  // namespace

// ---- TestSink ----

TestSink::TestSink() {
  requirements.cbAlign = 0;
  CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                   own_allocator.ReceiveVoid());
}

TestSink::~TestSink() = default;

HRESULT TestSink::AcceptConnection(const AM_MEDIA_TYPE& pmt) {
  if (FAILED(receive_connection_result)) return receive_connection_result;
  AssignMediaType(&type, &pmt);
  return S_OK;
}

HRESULT TestSink::QueryPinInfo(PIN_INFO*) { return E_NOTIMPL; }

HRESULT TestSink::QueryDirection(PIN_DIRECTION* pPinDir) {
  *pPinDir = direction;
  return S_OK;
}

HRESULT TestSink::QueryAccept(const AM_MEDIA_TYPE*) { return S_OK; }

HRESULT TestSink::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  ++enum_calls;
  *ppEnum = new TypeList(offered);
  return S_OK;
}

HRESULT TestSink::EndOfStream() {
  ++end_of_streams;
  return S_OK;
}


HRESULT TestSink::GetAllocator(IMemAllocator** ppAllocator) {
  *ppAllocator = nullptr;
  if (!offer_allocator || !own_allocator) return VFW_E_NO_ALLOCATOR;
  *ppAllocator = own_allocator.Get();
  own_allocator->AddRef();
  return S_OK;
}

HRESULT TestSink::NotifyAllocator(IMemAllocator* pAllocator, BOOL) {
  notified.push_back(pAllocator);
  return pAllocator == own_allocator.Get() ? notify_result : notify_foreign_result;
}

HRESULT TestSink::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
  *pProps = requirements;
  return S_OK;
}

HRESULT TestSink::Receive(IMediaSample*) {
  ++samples;
  return receive_result;
}

HRESULT TestSink::ReceiveMultiple(IMediaSample**, LONG, LONG*) { return E_NOTIMPL; }
HRESULT TestSink::ReceiveCanBlock() { return S_FALSE; }

// ---- TestGraph ----

std::vector<TestGraph::Event> TestGraph::Events() {
  std::lock_guard lock(mutex_);
  return events_;
}

HRESULT TestGraph::QueryInterface(REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFilterGraph)) {
    *ppv = static_cast<IFilterGraph*>(this);
  } else if (IsEqualIID(riid, IID_IMediaEventSink)) {
    *ppv = static_cast<IMediaEventSink*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT TestGraph::Notify(LONG EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) {
  std::lock_guard lock(mutex_);
  events_.push_back({EventCode, EventParam1, EventParam2});
  return S_OK;
}

// ---- FrameworkTest ----

void FrameworkTest::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  ASSERT_EQ(CBaseObject::ObjectsActive(), 0);
  filter = TestSource::Create();
  sink = new TestSink;
  ASSERT_TRUE(sink->own_allocator);
}

void FrameworkTest::ConnectOrFail() {
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_TRUE(Stream()->IsConnected());
}

void FrameworkTest::TearDown() {
  if (filter != nullptr) {  // a test that released the filter itself has set it to null
    EXPECT_EQ(Filter()->Stop(), S_OK);
    Pin()->Disconnect();
    sink->Disconnect();
    EXPECT_EQ(Filter()->JoinFilterGraph(nullptr, nullptr), S_OK);
    EXPECT_EQ(Filter()->Release(), 0u);
  }
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
  EXPECT_EQ(sink->Release(), 0u) << "a reference on the sink was not given back";
  EXPECT_EQ(graph.References(), 1) << "a reference on the graph was not given back";
  CoUninitialize();
}

}  // namespace orlin::framework::test
