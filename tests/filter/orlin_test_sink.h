// Test doubles for the camera filter: a downstream input pin that keeps what
// arrives (bytes and time stamps) and can hold samples, and a fixture that
// stores the PC settings the filter reads and checks that every object ends.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "filter/framework/media_type.h"
#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/connected_input_pin.h"
#include "settings/video_format_settings.h"

namespace orlin::filter::test {

struct ReceivedSample {
  std::vector<std::uint8_t> bytes;
  REFERENCE_TIME start = -1;
  REFERENCE_TIME end = -1;
  bool syncPoint = false;
};

class RecordingSink final : public ConnectedInputPin<> {
 public:
  RecordingSink() = default;
  ~RecordingSink();
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;

  LONG References() const { return refs_.load(); }
  std::vector<ReceivedSample> Samples();
  std::size_t Count();
  // Waits until `count` samples arrived, for at most `seconds`.
  bool WaitFor(std::size_t count, int seconds);
  // Gives back the samples held so far.
  void ReleaseHeld();

  // ---- IUnknown ----
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs_); }

  // ---- IPin ----
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }

  // ---- IMemInputPin ----
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                            LONG* nSamplesProcessed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

  // Configuration, before connecting.
  LONG buffersWanted = 0;  // cBuffers of GetAllocatorRequirements; 0: none asked
  int holdSamples = 0;     // the first samples kept (with a reference) until ReleaseHeld

  ComRef<IMemAllocator> allocator;

 private:
  // The allocator belongs to the connection.
  void OnDisconnected() override { allocator.Clear(); }

  std::atomic<LONG> refs_{1};
  std::mutex mutex_;
  std::vector<ReceivedSample> samples_;
  std::vector<IMediaSample*> held_;
};

// Stores `settings` where the filter reads them (Linux: the test's own hive,
// named by ORLIN_PC_REGISTRY) and removes them at the end. Every test ends with
// no counted object left.
class FilterFixture : public ::testing::Test {
 protected:
  // COM on the test's thread, as in every host (the allocator comes from it).
  void SetUp() override;
  void StoreSettings(const settings::VideoFormatSettings& settings);
  // The StatusCard value beside them.
  void StoreStatusCard(DWORD value);
  // A text value beside them (AcceptFrom, ListenAddress).
  void StoreText(LPCWSTR name, const WCHAR* value);
  void TearDown() override;
};

}  // namespace orlin::filter::test
