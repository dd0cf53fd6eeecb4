// The system reference clock (CLSID_SystemClock): the monotonic clock of the
// machine in 100 ns units. Our filter only reads it; advise requests, which
// need event handles that do not exist here, are not offered.
#include <atomic>
#include <chrono>
#include <new>

#include "orlin/host_services.h"

namespace orlin {
namespace {

class SystemClock final : public IReferenceClock {
 public:
  // --- IUnknown -------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IReferenceClock)) {
      return E_NOINTERFACE;
    }
    *ppvObject = static_cast<IReferenceClock*>(this);
    AddRef();
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }

  // --- IReferenceClock ------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) override {
    if (pTime == nullptr) return E_POINTER;
    using Units = std::chrono::duration<REFERENCE_TIME, std::ratio<1, 10'000'000>>;
    *pTime = std::chrono::duration_cast<Units>(
                 std::chrono::steady_clock::now().time_since_epoch())
                 .count();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT,
                                       DWORD_PTR* pdwAdviseCookie) override {
    if (pdwAdviseCookie == nullptr) return E_POINTER;
    *pdwAdviseCookie = 0;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE,
                                           DWORD_PTR* pdwAdviseCookie) override {
    if (pdwAdviseCookie == nullptr) return E_POINTER;
    *pdwAdviseCookie = 0;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

 private:
  std::atomic<ULONG> references_{0};
};

}  // namespace

HRESULT CreateSystemClock(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* clock = new (std::nothrow) SystemClock;
  if (clock == nullptr) return E_OUTOFMEMORY;
  clock->AddRef();
  const HRESULT hr = clock->QueryInterface(riid, object);
  clock->Release();
  return hr;
}

}  // namespace orlin
