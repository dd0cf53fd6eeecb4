// The graph orlin-view puts the camera filter in: it manages nothing, but a
// filter asks its graph for an event sink to report failures to, so this
// one answers IMediaEventSink with the recording sink it is given.
#pragma once

#include <atomic>

#include "orlin/recording_event_sink.h"

namespace orlin::view {

class ViewerGraph final : public IFilterGraph {
 public:
  // Holds a reference on `events` for its life.
  explicit ViewerGraph(RecordingEventSink* events) : events_(events) { events_->AddRef(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (IsEqualIID(riid, IID_IMediaEventSink)) return events_->QueryInterface(riid, ppvObject);
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IFilterGraph)) return E_NOINTERFACE;
    *ppvObject = static_cast<IFilterGraph*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IFilterGraph: orlin-view connects and runs the filter itself.
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** ppEnum) override {
    if (ppEnum != nullptr) *ppEnum = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter** ppFilter) override {
    if (ppFilter != nullptr) *ppFilter = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

 private:
  ~ViewerGraph() { events_->Release(); }

  std::atomic<ULONG> references_{1};
  RecordingEventSink* events_;
};

}  // namespace orlin::view
