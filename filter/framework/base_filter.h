// The filter half of the framework: the DirectShow state machine, the reference
// clock, graph membership and the event sink. The derived filter supplies its
// pins through GetPinCount and GetPin.
#pragma once

#include <atomic>
#include <mutex>

#include "filter/framework/critical_section.h"
#include "filter/framework/unknown.h"
#include "filter/framework/wide_string.h"
#include "orlin/dshow.h"

namespace orlin::framework {

class CBasePin;
// Self-registration data; the framework's filters carry none.
struct AMOVIESETUP_FILTER;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
 public:
  CBaseFilter(const WCHAR* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid);
  ~CBaseFilter() override;

  ORLIN_DECLARE_IUNKNOWN

  // ---- INonDelegatingUnknown ----
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // ---- Framework operations (slot order follows the non-delegating face) ----
  // Clock time minus the run start time; VFW_E_NO_CLOCK without a clock.
  virtual HRESULT StreamTime(REFERENCE_TIME* time);
  virtual LONG GetPinVersion();
  virtual int GetPinCount() = 0;
  // The pin at a 0-based index, or null when out of range.
  virtual CBasePin* GetPin(int index) = 0;
  virtual const AMOVIESETUP_FILTER* GetSetupData();

  // ---- IPersist ----
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;

  // ---- IMediaFilter ----
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* pClock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) override;

  // ---- IBaseFilter ----
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

  // ---- IAMovieSetup ----
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;

  // Passes an event to the graph's event sink; E_NOTIMPL outside a graph.
  HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

  CCritSec* pStateLock() const { return lock_; }
  // Changed under the state lock, read without it: a Stop holds the lock while
  // it waits for a worker, and the state must still be answered at once.
  FILTER_STATE State() const { return state_.load(); }
  bool IsStopped() { return State() == State_Stopped; }
  bool IsActive() { return State() != State_Stopped; }

 private:
  // The walk that Stop and Pause share: pins from 0 until GetPin gives none.
  template <class Visit>
  HRESULT ForEachConnectedPin(bool stop_at_failure, Visit visit);

  std::atomic<FILTER_STATE> state_{State_Stopped};
  IReferenceClock* clock_ = nullptr;  // counted
  REFERENCE_TIME start_ = 0;
  const CLSID clsid_;
  CCritSec* const lock_;
  WideChars name_;
  IFilterGraph* graph_ = nullptr;                    // not counted
  std::atomic<IMediaEventSink*> sink_{nullptr};      // not counted; read by the worker
  LONG pin_version_ = 1;
  // The worker reads the clock and the start time for its stamps without the
  // state lock (it must never take it); this small lock keeps them whole.
  std::mutex clock_lock_;
};

}  // namespace orlin::framework
