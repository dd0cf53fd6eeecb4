// Reference counting, aggregation and the media type record operations.
#include <cstring>

#include "filter/framework/base_object.h"
#include "tests/framework/test_objects.h"

namespace orlin::framework::test {
namespace {

// An outer object that aggregates a filter: it owns the inner object's
// non-delegating face and answers IUnknown itself.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    ++queries;
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

  IUnknown* inner = nullptr;  // the non-delegating face
  LONG refs = 1;
  int queries = 0;
};

// A counted object to stand in a media type's pUnk.
class Counted final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  LONG refs = 1;
};

TEST(ObjectModel, AggregatedFilterForwardsEveryFaceToItsOuterObject) {
  ASSERT_EQ(CBaseObject::ObjectsActive(), 0);
  Outer outer;
  TestSource* filter = TestSource::Create(&outer);
  outer.inner = filter->NonDelegatingFace();

  IBaseFilter* face = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&face)), S_OK);
  EXPECT_EQ(outer.refs, 2) << "handing out a face counts on the outer object";
  ComRef<IUnknown> identity;
  EXPECT_EQ(face->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  EXPECT_EQ(outer.queries, 1);
  identity.Clear();
  face->Release();
  EXPECT_EQ(outer.refs, 1);

  EXPECT_EQ(outer.inner->Release(), 0u) << "the non-delegating face owns the inner object";
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
}

TEST(ObjectModel, ReleaseOfTheLastReferenceDestroysFilterAndPins) {
  TestSource* filter = TestSource::Create();
  EXPECT_EQ(CBaseObject::ObjectsActive(), 2);
  IBaseFilter* face = &static_cast<IBaseFilter&>(*filter);
  EXPECT_EQ(face->AddRef(), 2u);
  EXPECT_EQ(face->Release(), 1u);
  EXPECT_EQ(face->Release(), 0u);
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
}

TEST(ObjectModel, PinSetUpFailureIsNotOverwrittenByItsRegistration) {
  TestSource* filter = TestSource::Create();
  HRESULT hr = E_OUTOFMEMORY;  // as the pin's name copy reports it
  auto* stream = new TestStream(&hr, filter);
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(filter->GetPinCount(), 2);
  delete stream;
  EXPECT_EQ(filter->GetPinCount(), 1);
  EXPECT_EQ(static_cast<IBaseFilter&>(*filter).Release(), 0u);
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
}

TEST(MediaTypes, InitialisedRecord) {
  AM_MEDIA_TYPE type;
  std::memset(&type, 0xAB, sizeof type);
  InitMediaType(&type);
  EXPECT_EQ(type.lSampleSize, 1u);
  EXPECT_EQ(type.bFixedSizeSamples, TRUE);
  EXPECT_EQ(type.pbFormat, nullptr);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(type.majortype, GUID_NULL);
}

TEST(MediaTypes, CopiesOwnTheirBlockAndCountTheirObject) {
  Counted unknown;
  CMediaType source;
  MakeVideoType(&source, MEDIASUBTYPE_YV12);
  source.pUnk = &unknown;
  unknown.AddRef();
  {
    CMediaType copy;
    ASSERT_EQ(CopyMediaType(&copy, &source), S_OK);
    EXPECT_NE(copy.pbFormat, source.pbFormat);
    EXPECT_TRUE(MediaTypesEqual(copy, source));
    EXPECT_EQ(unknown.refs, 3);
    ASSERT_EQ(AssignMediaType(&copy, &copy), S_OK);
    EXPECT_EQ(unknown.refs, 3) << "assigning a record to itself changes nothing";
    AM_MEDIA_TYPE* created = CreateMediaType(&copy);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(unknown.refs, 4);
    DeleteMediaType(created);
    DeleteMediaType(nullptr);
  }
  EXPECT_EQ(unknown.refs, 2);
}

TEST(MediaTypes, EqualityLooksAtTheFormatBytes) {
  CMediaType a;
  CMediaType b;
  MakeVideoType(&a, MEDIASUBTYPE_YV12, 16, 8);
  MakeVideoType(&b, MEDIASUBTYPE_YV12, 16, 8);
  EXPECT_TRUE(MediaTypesEqual(a, b));
  b.lSampleSize = 5;  // not part of the comparison
  EXPECT_TRUE(MediaTypesEqual(a, b));
  MakeVideoType(&b, MEDIASUBTYPE_YV12, 16, 10);
  EXPECT_FALSE(MediaTypesEqual(a, b));
  MakeVideoType(&b, MEDIASUBTYPE_IYUV, 16, 8);
  EXPECT_FALSE(MediaTypesEqual(a, b));
  CMediaType no_block;
  no_block.majortype = MEDIATYPE_Video;
  no_block.subtype = MEDIASUBTYPE_YV12;
  no_block.formattype = FORMAT_VideoInfo;
  no_block.cbFormat = a.cbFormat;  // a length without a block never equals a block
  EXPECT_FALSE(MediaTypesEqual(a, no_block));
  no_block.cbFormat = 0;
  EXPECT_FALSE(MediaTypesEqual(a, no_block));
}

TEST(MediaTypes, PartialSpecificationAndMatching) {
  CMediaType candidate;
  MakeVideoType(&candidate, MEDIASUBTYPE_YV12);
  EXPECT_FALSE(IsPartiallySpecified(candidate));

  CMediaType partial;
  partial.subtype = MEDIASUBTYPE_YV12;
  EXPECT_TRUE(IsPartiallySpecified(partial)) << "the subtype does not count";
  EXPECT_TRUE(MatchesPartialType(candidate, partial));
  partial.subtype = MEDIASUBTYPE_IYUV;
  EXPECT_FALSE(MatchesPartialType(candidate, partial));

  CMediaType format_only;
  format_only.formattype = FORMAT_VideoInfo;
  EXPECT_FALSE(MatchesPartialType(candidate, format_only)) << "format bytes must agree too";
  ASSERT_EQ(CopyMediaType(&format_only, &candidate), S_OK);
  format_only.majortype = GUID_NULL;
  format_only.subtype = GUID_NULL;
  EXPECT_TRUE(MatchesPartialType(candidate, format_only));
}

TEST(MediaTypes, FormatBufferKeepsOrReplacesTheBlock) {
  CMediaType type;
  BYTE* first = AllocFormatBuffer(&type, 88);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(type.cbFormat, 88u);
  EXPECT_EQ(AllocFormatBuffer(&type, 88), first) << "same length keeps the block";
  BYTE* second = AllocFormatBuffer(&type, 16);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(type.cbFormat, 16u);
  EXPECT_EQ(type.pbFormat, second);
}

}  // namespace
}  // namespace orlin::framework::test
