// The system reference clock (CLSID_SystemClock): the monotonic clock of the
// machine in 100 ns units. Our filter only reads it; advise requests, which
// need event handles that do not exist here, are not offered.
#include <chrono>

#include "orlin/com_object.h"
#include "orlin/host_services.h"

namespace orlin {
namespace {

class SystemClock final : public ComObject<IReferenceClock, IID_IReferenceClock> {
 public:
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
};

}  // namespace

HRESULT CreateSystemClock(IUnknown* outer, REFIID riid, void** object) {
  return CreateComObject<SystemClock>(outer, riid, object);
}

}  // namespace orlin
