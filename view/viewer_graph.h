// The graph orlin-view puts the camera filter in: it manages nothing, but a
// filter asks its graph for an event sink to report failures to, so this
// one answers IMediaEventSink with the recording sink it is given.
#pragma once

#include "orlin/com_object.h"
#include "orlin/com_ref.h"
#include "orlin/recording_event_sink.h"

namespace orlin::view {

class ViewerGraph final : public ComObject<IFilterGraph, IID_IFilterGraph> {
 public:
  // Holds a reference on `events` for its life.
  explicit ViewerGraph(RecordingEventSink* events)
      : events_(ComRef<RecordingEventSink>::Sharing(events)) {}

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
  ~ViewerGraph() = default;

  HRESULT QueryOtherInterface(REFIID riid, void** ppvObject) override {
    if (!IsEqualIID(riid, IID_IMediaEventSink)) return E_NOINTERFACE;
    return events_->QueryInterface(riid, ppvObject);
  }

  const ComRef<RecordingEventSink> events_;
};

}  // namespace orlin::view
