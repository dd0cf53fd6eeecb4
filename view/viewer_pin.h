// orlin-view's input pin: what a renderer's pin is to a source in a graph.
// It accepts any video type it can convert (see video_frame.h), lets the
// source bring its own allocator, and hands each sample's bytes to the
// session on the source's streaming thread.
#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/connected_input_pin.h"
#include "orlin/input_pin.h"
#include "view/video_frame.h"

namespace orlin::view {

class ViewerPin final : public ConnectedInputPin<CountedInputPin> {
 public:
  // Returns S_OK to keep the source's loop going; anything else ends it.
  using SampleHandler = std::function<HRESULT(const BYTE* data, LONG size)>;

  // A new pin holding one reference for the caller; null when out of memory.
  static ViewerPin* Create(SampleHandler handler);

  // The format agreed at connection; nothing while unconnected.
  std::optional<FrameFormat> Format() const;

  // IPin
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) override;

  // IMemInputPin
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                            LONG* nSamplesProcessed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

 private:
  explicit ViewerPin(SampleHandler handler) : handler_(std::move(handler)) {}
  ~ViewerPin();

  // Only a type it can convert; its format is kept for Format().
  HRESULT AcceptConnection(const AM_MEDIA_TYPE& type) override;
  void OnDisconnected() override;

  SampleHandler handler_;
  mutable std::mutex mutex_;
  std::optional<FrameFormat> format_;
};

}  // namespace orlin::view
