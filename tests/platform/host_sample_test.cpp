// Media samples of the memory allocator: what a holder sets, reads back, and
// what a returned sample forgets before its next holder gets it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "orlin/dshow.h"

namespace {

// A pUnk for media types that counts its references.
struct CountedUnknown : IUnknown {
  std::atomic<ULONG> references{1};
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

class MediaSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, reinterpret_cast<void**>(&allocator_)),
              S_OK);
    ALLOCATOR_PROPERTIES request{1, 100, 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    ASSERT_EQ(allocator_->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator_->Commit(), S_OK);
    sample_ = Take();
  }

  void TearDown() override {
    if (sample_ != nullptr) sample_->Release();
    allocator_->Decommit();
    EXPECT_EQ(allocator_->Release(), 0u);
    CoUninitialize();
  }

  IMediaSample* Take() {
    IMediaSample* sample = nullptr;
    EXPECT_EQ(allocator_->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    return sample;
  }

  // Returns the one sample of the pool and takes it again.
  void ReturnAndRetake() {
    sample_->Release();
    sample_ = Take();
  }

  IMemAllocator* allocator_ = nullptr;
  IMediaSample* sample_ = nullptr;
};

TEST_F(MediaSampleTest, TimesReportWhatIsSetAndAMissingStop) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  EXPECT_EQ(sample_->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  REFERENCE_TIME set_start = 1000;
  REFERENCE_TIME set_stop = 334333;
  EXPECT_EQ(sample_->SetTime(&set_start, nullptr), S_OK);
  EXPECT_EQ(sample_->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(start, 1000);
  EXPECT_EQ(stop, 1001);
  EXPECT_EQ(sample_->SetTime(&set_start, &set_stop), S_OK);
  EXPECT_EQ(sample_->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(stop, 334333);
  EXPECT_EQ(sample_->SetTime(nullptr, nullptr), S_OK);
  EXPECT_EQ(sample_->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  LONGLONG media_start = 7;
  LONGLONG media_stop = 8;
  LONGLONG read_start = 0;
  LONGLONG read_stop = 0;
  EXPECT_EQ(sample_->GetMediaTime(&read_start, &read_stop), VFW_E_MEDIA_TIME_NOT_SET);
  EXPECT_EQ(sample_->SetMediaTime(&media_start, &media_stop), S_OK);
  EXPECT_EQ(sample_->GetMediaTime(&read_start, &read_stop), S_OK);
  EXPECT_EQ(read_start, 7);
  EXPECT_EQ(read_stop, 8);
  EXPECT_EQ(sample_->SetMediaTime(nullptr, nullptr), S_OK);
  EXPECT_EQ(sample_->GetMediaTime(&read_start, &read_stop), VFW_E_MEDIA_TIME_NOT_SET);
}

TEST_F(MediaSampleTest, ActualLengthStaysWithinTheBuffer) {
  EXPECT_EQ(sample_->GetActualDataLength(), sample_->GetSize());
  EXPECT_EQ(sample_->SetActualDataLength(40), S_OK);
  EXPECT_EQ(sample_->GetActualDataLength(), 40);
  EXPECT_EQ(sample_->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample_->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample_->GetActualDataLength(), 40);
}

TEST_F(MediaSampleTest, MediaTypeIsADeepCopyBothWays) {
  AM_MEDIA_TYPE* none = reinterpret_cast<AM_MEDIA_TYPE*>(&none);
  EXPECT_EQ(sample_->GetMediaType(&none), S_FALSE);
  EXPECT_EQ(none, nullptr);

  CountedUnknown unknown;
  BYTE format[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_YV12;
  type.lSampleSize = 100;
  type.pUnk = &unknown;
  type.cbFormat = sizeof format;
  type.pbFormat = format;
  ASSERT_EQ(sample_->SetMediaType(&type), S_OK);
  format[0] = 99;  // the sample kept its own copy
  AM_MEDIA_TYPE* copy = nullptr;
  ASSERT_EQ(sample_->GetMediaType(&copy), S_OK);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(IsEqualGUID(copy->subtype, MEDIASUBTYPE_YV12));
  EXPECT_EQ(copy->lSampleSize, 100u);
  ASSERT_EQ(copy->cbFormat, sizeof format);
  EXPECT_EQ(copy->pbFormat[0], 1);
  EXPECT_EQ(copy->pUnk, &unknown);
  EXPECT_EQ(unknown.references, 3u);  // ours, the sample's, the copy's
  CoTaskMemFree(copy->pbFormat);
  copy->pUnk->Release();
  CoTaskMemFree(copy);

  EXPECT_EQ(sample_->SetMediaType(nullptr), S_OK);
  EXPECT_EQ(unknown.references, 1u);
  EXPECT_EQ(sample_->GetMediaType(&copy), S_FALSE);
}

TEST_F(MediaSampleTest, ReturnedSampleForgetsWhatItsHolderSet) {
  CountedUnknown unknown;
  AM_MEDIA_TYPE type{};
  type.pUnk = &unknown;
  REFERENCE_TIME start = 5;
  LONGLONG media = 5;
  EXPECT_EQ(sample_->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample_->SetSyncPoint(TRUE), S_OK);
  EXPECT_EQ(sample_->IsSyncPoint(), S_OK);
  EXPECT_EQ(sample_->SetPreroll(TRUE), S_OK);
  EXPECT_EQ(sample_->IsPreroll(), S_OK);
  EXPECT_EQ(sample_->SetDiscontinuity(TRUE), S_OK);
  EXPECT_EQ(sample_->IsDiscontinuity(), S_OK);
  sample_->SetTime(&start, &start);
  sample_->SetMediaTime(&media, &media);
  ASSERT_EQ(sample_->SetMediaType(&type), S_OK);

  ReturnAndRetake();
  EXPECT_EQ(unknown.references, 1u);  // the type was freed when the sample came back
  EXPECT_EQ(sample_->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample_->IsPreroll(), S_FALSE);
  EXPECT_EQ(sample_->IsDiscontinuity(), S_FALSE);
  REFERENCE_TIME stop = 0;
  EXPECT_EQ(sample_->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample_->GetMediaTime(&media, &media), VFW_E_MEDIA_TIME_NOT_SET);
  AM_MEDIA_TYPE* copy = nullptr;
  EXPECT_EQ(sample_->GetMediaType(&copy), S_FALSE);
}

TEST_F(MediaSampleTest, AnswersForItsOwnInterfacesOnly) {
  IUnknown* unknown = nullptr;
  ASSERT_EQ(sample_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();
  void* other = &other;
  EXPECT_EQ(sample_->QueryInterface(IID_IMemAllocator, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

}  // namespace
