// The capture filter's one output pin, "Capture". Connect proposes the
// camera's formats, in the camera's order, to the other pin's
// ReceiveConnection until one is accepted; that format is then delivered.
#pragma once

#include <cstddef>

#include "orlin/dshow.h"
#include "orlin/com_ref.h"

namespace orlin::phone::cameras {

class CaptureFilter;

class CapturePin final : public IPin {
 public:
  explicit CapturePin(CaptureFilter& filter) : filter_(filter) {}
  CapturePin(const CapturePin&) = delete;
  CapturePin& operator=(const CapturePin&) = delete;

  // Under the filter's lock.
  bool Connected() const { return static_cast<bool>(connected_); }
  std::size_t FormatIndex() const { return format_index_; }
  IMemInputPin* Sink() const { return sink_.Get(); }
  // Drops the connection (the filter is stopped or going away).
  void Drop();

  // --- IUnknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- IPin ---
  HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                              const AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                       double rate) override;

 private:
  CaptureFilter& filter_;
  ComRef<IPin> connected_;
  ComRef<IMemInputPin> sink_;
  std::size_t format_index_ = 0;
};

}  // namespace orlin::phone::cameras
