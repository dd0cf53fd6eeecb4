#include "tests/filter/orlin_test_sink.h"

#include <chrono>

#include "filter/com_server/server.h"
#include "filter/framework/base_object.h"
#include "tests/support/wait.h"

namespace orlin::filter::test {

using settings::kVideoFormatKeyPath;
using settings::VideoFormatSettings;
using settings::WriteVideoFormatSettings;
using framework::CBaseObject;

RecordingSink::~RecordingSink() { ReleaseHeld(); }

std::vector<ReceivedSample> RecordingSink::Samples() {
  std::lock_guard lock(mutex_);
  return samples_;
}

std::size_t RecordingSink::Count() {
  std::lock_guard lock(mutex_);
  return samples_.size();
}

bool RecordingSink::WaitFor(std::size_t count, int seconds) {
  return orlin::test::WaitUntil([&] { return Count() >= count; }, std::chrono::seconds(seconds));
}

void RecordingSink::ReleaseHeld() {
  std::vector<IMediaSample*> held;
  {
    std::lock_guard lock(mutex_);
    held.swap(held_);
  }
  for (IMediaSample* sample : held) sample->Release();
}

HRESULT RecordingSink::QueryPinInfo(PIN_INFO* pInfo) {
  if (pInfo == nullptr) return E_POINTER;
  *pInfo = PIN_INFO{};
  pInfo->dir = PINDIR_INPUT;
  return S_OK;
}

HRESULT RecordingSink::NotifyAllocator(IMemAllocator* pAllocator, BOOL) {
  allocator.Share(pAllocator);
  return S_OK;
}

HRESULT RecordingSink::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
  if (buffersWanted == 0) return E_NOTIMPL;
  *pProps = ALLOCATOR_PROPERTIES{};
  pProps->cBuffers = buffersWanted;
  return S_OK;
}

HRESULT RecordingSink::Receive(IMediaSample* pSample) {
  ReceivedSample record;
  BYTE* data = nullptr;
  pSample->GetPointer(&data);
  const LONG length = pSample->GetActualDataLength();
  if (data != nullptr && length > 0) record.bytes.assign(data, data + length);
  pSample->GetTime(&record.start, &record.end);
  record.syncPoint = pSample->IsSyncPoint() == S_OK;
  std::lock_guard lock(mutex_);
  samples_.push_back(std::move(record));
  if (int(held_.size()) < holdSamples) {
    pSample->AddRef();
    held_.push_back(pSample);
  }
  return S_OK;
}

HRESULT RecordingSink::ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                       LONG* nSamplesProcessed) {
  *nSamplesProcessed = 0;
  for (LONG i = 0; i < nSamples; ++i, ++*nSamplesProcessed) Receive(pSamples[i]);
  return S_OK;
}

void FilterFixture::StoreSettings(const VideoFormatSettings& settings) {
  ASSERT_EQ(WriteVideoFormatSettings(settings), ERROR_SUCCESS);
}

void FilterFixture::StoreStatusCard(DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kVideoFormatKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
  EXPECT_EQ(RegSetValueExW(key, settings::kStatusCardValueName, 0, REG_DWORD, bytes, sizeof bytes), ERROR_SUCCESS);
  RegCloseKey(key);
}

void FilterFixture::StoreText(LPCWSTR name, const WCHAR* value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kVideoFormatKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::size_t chars = 0;
  while (value[chars] != 0) ++chars;
  EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           DWORD((chars + 1) * sizeof(WCHAR))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void FilterFixture::SetUp() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }

void FilterFixture::TearDown() {
  CoUninitialize();
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kVideoFormatKeyPath);
  EXPECT_EQ(CBaseObject::ObjectsActive(), 0);
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

}  // namespace orlin::filter::test
