// "Orlin Camera": the video capture source filter that applications create
// through COM. One output pin, OrlinStream. Hosts that know it ask the filter
// how its stream stands (IOrlinStreamStatus) and whom AcceptFrom kept out
// (IOrlinSenderFilter).
#pragma once

#include <atomic>

#include "filter/framework/source.h"
#include "filter/stream_status.h"

namespace orlin::filter {

// {398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}
inline constexpr CLSID CLSID_OrlinCamera = {0x398b8ab5, 0x72ac, 0x4fce,
                                            {0x91, 0xcf, 0x83, 0x8b, 0x70, 0xf8, 0xc5, 0xd6}};

class OrlinStream;

class OrlinFilter : public framework::CSource, public IOrlinStreamStatus, public IOrlinSenderFilter {
 public:
  // The creation function of the class factory: a filter with no reference
  // yet, or null when memory ran out (*phr then E_OUTOFMEMORY). Failures of
  // the constructor arrive through *phr only.
  static framework::CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  OrlinFilter(IUnknown* outer, HRESULT* phr);
  // Ends the pin's worker first: it stamps samples through this filter.
  ~OrlinFilter() override;

  ORLIN_DECLARE_IUNKNOWN

  // ---- INonDelegatingUnknown ----
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // ---- IOrlinStreamStatus ----
  HRESULT STDMETHODCALLTYPE GetStreamStatus(OrlinStreamStatus* status) override;

  // ---- IOrlinSenderFilter ----
  HRESULT STDMETHODCALLTYPE GetSenderFilter(OrlinSenderFilter* filter) override;

  // ---- IMediaFilter ----
  // A live source cannot promise a sample while paused: VFW_S_CANT_CUE then,
  // so that a graph's Pause and Run never wait on the phone.
  HRESULT STDMETHODCALLTYPE GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;

  // Whether samples are stamped from the stream time: only while running. A
  // sample filled while paused belongs to no run yet (a clocked graph pauses,
  // waits for a sample, then runs).
  bool StampsFromStreamTime() const { return running_.load(); }

  OrlinStream* Stream() const;

 private:
  std::atomic<bool> running_{false};
};

}  // namespace orlin::filter
