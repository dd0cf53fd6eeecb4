// "Orlin Pin", the camera filter's one output pin: offers the single format of
// the video format settings, fills every sample from the phone's UDP stream,
// corrects it and stamps it; answers IAMStreamConfig (only the frame interval
// may change) and IKsPropertySet (the capture pin category).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "filter/frame_receiver.h"
#include "filter/framework/source_stream.h"
#include "filter/pixel_correction.h"
#include "filter/stream_diagnosis.h"
#include "filter/stream_status.h"
#include "orlin/stream_config.h"
#include "settings/video_format_settings.h"

namespace orlin::filter {

class OrlinFilter;

class OrlinStream : public framework::CSourceStream, public IKsPropertySet, public IAMStreamConfig {
 public:
  // Reads the settings; the pin registers itself as the filter's pin 0.
  OrlinStream(HRESULT* phr, OrlinFilter* filter, const WCHAR* pin_name);
  ~OrlinStream() override;

  ORLIN_DECLARE_IUNKNOWN

  // ---- INonDelegatingUnknown ----
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // ---- Thread face ----
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadDestroy() override;
  using framework::CSourceStream::GetMediaType;
  HRESULT GetMediaType(AM_MEDIA_TYPE* type) override;

  // ---- Pin face ----
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // ---- IKsPropertySet ----
  HRESULT STDMETHODCALLTYPE Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData) override;
  HRESULT STDMETHODCALLTYPE Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData,
                                DWORD* pcbReturned) override;
  HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID guidPropSet, DWORD dwPropID,
                                           DWORD* pTypeSupport) override;

  // ---- IAMStreamConfig ----
  HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** pmt) override;
  HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* piCount, int* piSize) override;
  HRESULT STDMETHODCALLTYPE GetStreamCaps(int iIndex, AM_MEDIA_TYPE** pmt, BYTE* pSCC) override;

  const settings::VideoFormatSettings& Settings() const { return settings_; }

  // What the stream knows of itself, as of the sample delivered last; from
  // any thread.
  OrlinStreamStatus StreamStatus();
  // Whom the stream took frames from at its last start, and whom it kept out
  // since; from any thread.
  OrlinSenderFilter SenderFilter() const;

 private:
  // S_OK, or VFW_E_INVALIDMEDIATYPE for a format settings::RefusedFormat
  // names: it has no sample, or its compressed frames decode to more than the
  // sample holds.
  HRESULT CheckStreamable() const;
  // Copies the status card for `text` into the sample, drawing it first when
  // the text changed; false when the card is off or the format has none.
  bool DeliverCard(BYTE* data, const Text& text);
  // Records the sample about to be delivered; tells the graph when the state
  // or its sentence changed.
  void Report(StreamState state, SampleContent content, bool newFrame, const Text& sentence);

  OrlinFilter* const owner_;
  const settings::VideoFormatSettings settings_;
  // pbFormat points at format_; SetFormat changes it under the state lock and
  // the format lock. GetFormat reads it under the format lock alone: a Stop
  // holds the state lock while it waits for the worker.
  AM_MEDIA_TYPE mt_{};
  VIDEOINFOHEADER format_{};
  std::mutex format_lock_;
  VIDEO_STREAM_CONFIG_CAPS caps_{};
  // SetFormat changes the interval under the state lock, which the worker must
  // never take: it reads this copy instead.
  std::atomic<REFERENCE_TIME> frame_interval_;
  std::mutex stream_lock_;  // one fill at a time
  FrameReceiver receiver_;
  const PixelCorrections corrections_;

  // The worker's own: the card as last drawn and the text it shows.
  const bool status_card_;
  std::vector<std::uint8_t> card_;
  Text card_text_;
  Text waiting_;        // the waiting sentence, with the port in force
  bool received_ = false;  // a new frame since the start
  Text reported_;        // the sentence the graph was last told of
  // Read by hosts on any thread.
  std::mutex status_lock_;
  OrlinStreamStatus status_{};
};

}  // namespace orlin::filter
