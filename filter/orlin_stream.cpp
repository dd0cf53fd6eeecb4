#include "filter/orlin_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "filter/framework/media_type.h"
#include "filter/orlin_events.h"
#include "filter/orlin_filter.h"
#include "filter/orlin_stream_format.h"
#include "filter/status_card.h"
#include "settings/stream_form.h"

namespace orlin::filter {

using framework::CSourceStream;
using framework::CAutoLock;
using framework::INonDelegatingUnknown;
using framework::CreateMediaType;
using framework::AllocFormatBuffer;

OrlinStream::OrlinStream(HRESULT* phr, OrlinFilter* filter, const WCHAR* pin_name)
    : CSourceStream(ORLIN_TEXT("Orlin"), phr, filter, pin_name),
      owner_(filter),
      settings_(settings::LoadFilterSettings()),
      format_(VideoInfoOf(settings_)),
      caps_(CapabilityOf(settings_)),
      frame_interval_(format_.AvgTimePerFrame),
      receiver_(StoredReceiverFormat(settings_)),
      corrections_(settings_),
      status_card_(settings::ReadStatusCardSetting()) {
  mt_ = MediaTypeOf(format_);
  mt_.pbFormat = reinterpret_cast<BYTE*>(&format_);
}

OrlinStream::~OrlinStream() = default;

HRESULT OrlinStream::CheckStreamable() const {
  // The setup tool warns by the same rule.
  return settings::RefusedFormat(settings_) ? VFW_E_INVALIDMEDIATYPE : S_OK;
}

// ---- INonDelegatingUnknown ----

HRESULT OrlinStream::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IKsPropertySet)) {
    return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
  }
  if (IsEqualIID(riid, IID_IAMStreamConfig)) {
    return GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
  }
  return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

// ---- Thread face ----

HRESULT OrlinStream::FillBuffer(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  std::lock_guard lock(stream_lock_);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const auto sampleSize = std::size_t(format_.bmiHeader.biSizeImage);
  // A sample smaller than the frame (an allocator that ignored the request) is
  // delivered as it is rather than written past its end. Only a whole frame is
  // corrected: a sample that received part of one or nothing keeps older bytes
  // corrected when they arrived, which a second pass would swap and flip back.
  const bool fits = data != nullptr && sample->GetSize() >= 0 && std::size_t(sample->GetSize()) >= sampleSize;
  if (fits && receiver_.FillFrame(data)) corrections_.Apply(data, sampleSize);

  // What the sample now holds. A misread stream is never a new frame; while
  // no frame has come, or what comes does not match, the card says why.
  const bool newFrame = fits && receiver_.NewFrame();
  received_ = received_ || newFrame;
  const Text& diagnosis = receiver_.Diagnosis();
  const StreamState state = !diagnosis.empty() ? StreamState::kMismatch
                            : received_        ? StreamState::kReceiving
                                               : StreamState::kWaiting;
  const Text& sentence = state == StreamState::kWaiting ? waiting_ : diagnosis;
  SampleContent content = SampleContent::kRepeat;
  if (newFrame) {
    content = SampleContent::kFrame;
  } else if (fits && (receiver_.FillMisfit() || state == StreamState::kMismatch)) {
    content = SampleContent::kMisread;
  }
  if (fits && state != StreamState::kReceiving && DeliverCard(data, sentence)) content = SampleContent::kCard;
  Report(state, content, newFrame, sentence);

  REFERENCE_TIME start = 0;
  if (owner_->StampsFromStreamTime() && FAILED(owner_->StreamTime(&start))) start = 0;
  REFERENCE_TIME end = start + frame_interval_.load();
  sample->SetTime(&start, &end);
  sample->SetSyncPoint(TRUE);
  return S_OK;
}

HRESULT OrlinStream::OnThreadCreate() {
  const HRESULT hr = CheckStreamable();
  if (FAILED(hr)) return hr;
  const HRESULT opened = receiver_.Open();
  if (opened != S_OK) return opened;
  if (receiver_.ReceiveBufferShort()) {
    owner_->NotifyEvent(kEventReceiveBufferShort, receiver_.ReceiveBufferBytes(),
                        receiver_.GrantedReceiveBufferBytes());
  }
  received_ = false;
  waiting_ = WaitingSentence(receiver_.BoundPort());
  {
    std::lock_guard lock(status_lock_);
    status_ = {};
  }
  reported_.clear();
  Report(StreamState::kWaiting, SampleContent::kNothing, false, waiting_);
  return S_OK;
}

HRESULT OrlinStream::OnThreadDestroy() {
  receiver_.Close();
  std::lock_guard lock(status_lock_);
  status_.state = StreamState::kStopped;
  return S_OK;
}

// ---- Stream status ----

bool OrlinStream::DeliverCard(BYTE* data, const Text& text) {
  if (!status_card_) return false;
  const auto sampleSize = std::size_t(format_.bmiHeader.biSizeImage);
  if (card_.empty() || card_text_ != text) {
    if (!CanDrawStatusCard(settings_)) return false;
    card_.resize(sampleSize);  // once: the size is the stream's for good
    if (!DrawStatusCard(settings_, card_.data(), std::int64_t(card_.size()), ORLIN_TEXT("Orlin Camera"),
                        text.c_str())) {
      card_.clear();
      return false;
    }
    card_text_ = text;
  }
  std::memcpy(data, card_.data(), sampleSize);
  return true;
}

void OrlinStream::Report(StreamState state, SampleContent content, bool newFrame, const Text& sentence) {
  bool changed;
  {
    std::lock_guard lock(status_lock_);
    changed = status_.state != state || reported_ != sentence;
    status_.state = state;
    status_.lastSample = content;
    if (content != SampleContent::kNothing) ++status_.samplesDelivered;
    if (newFrame) ++status_.framesReceived;
    if (reported_ != sentence) {
      // Cut to the room there is, never mid-way through a surrogate pair.
      std::size_t n = std::min<std::size_t>(sentence.size(), kDiagnosisChars - 1);
      if (n > 0 && n < sentence.size() && sentence[n - 1] >= 0xD800 && sentence[n - 1] <= 0xDBFF) --n;
      std::copy_n(sentence.begin(), n, status_.diagnosis);
      status_.diagnosis[n] = 0;
    }
  }
  if (changed) {
    reported_ = sentence;
    owner_->NotifyEvent(kEventStreamStatusChanged, LONG_PTR(state), 0);
  }
}

OrlinStreamStatus OrlinStream::StreamStatus() {
  std::lock_guard lock(status_lock_);
  return status_;
}

OrlinSenderFilter OrlinStream::SenderFilter() const {
  static_assert(kForeignSenderSlots == settings::kTalliedSenders);
  const settings::SenderTallyCounts counts = receiver_.Senders();
  OrlinSenderFilter filter{};
  filter.filtering = counts.filtering ? TRUE : FALSE;
  filter.acceptFrom = counts.acceptFrom;
  filter.senders = counts.senders;
  filter.otherDatagrams = counts.otherDatagrams;
  for (std::uint32_t i = 0; i < counts.senders; ++i) {
    filter.sender[i] = {counts.sender[i].address, counts.sender[i].datagrams};
  }
  return filter;
}

HRESULT OrlinStream::GetMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CAutoLock lock(source_->pStateLock());
  BYTE* block = AllocFormatBuffer(type, sizeof(VIDEOINFOHEADER));
  if (block == nullptr) return E_OUTOFMEMORY;
  std::memcpy(block, &format_, sizeof format_);
  type->majortype = mt_.majortype;
  type->subtype = mt_.subtype;
  type->bFixedSizeSamples = mt_.bFixedSizeSamples;
  type->lSampleSize = mt_.lSampleSize;
  type->formattype = mt_.formattype;
  return S_OK;
}

// ---- Pin face ----

HRESULT OrlinStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  CAutoLock lock(source_->pStateLock());
  HRESULT hr = CheckStreamable();
  if (FAILED(hr)) return hr;
  // Two buffers at least: a capture graph's tee copies each sample into a
  // second buffer from this allocator while the first is still held.
  request->cBuffers = std::max<LONG>(request->cBuffers, 2);
  request->cbBuffer = LONG(mt_.lSampleSize);
  ALLOCATOR_PROPERTIES actual{};
  hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

// ---- IKsPropertySet ----

HRESULT OrlinStream::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) { return E_NOTIMPL; }

HRESULT OrlinStream::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID, DWORD, LPVOID pPropData,
                         DWORD cbPropData, DWORD* pcbReturned) {
  if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (pPropData == nullptr && pcbReturned == nullptr) return E_POINTER;
  if (pcbReturned != nullptr) *pcbReturned = sizeof(GUID);
  if (pPropData == nullptr) return S_OK;
  if (cbPropData < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(pPropData, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
  return S_OK;
}

HRESULT OrlinStream::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) {
  if (!IsEqualGUID(guidPropSet, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (dwPropID != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (pTypeSupport != nullptr) *pTypeSupport = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

// ---- IAMStreamConfig ----

HRESULT OrlinStream::SetFormat(AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return E_POINTER;
  CAutoLock lock(source_->pStateLock());
  if (!IsEqualGUID(pmt->majortype, mt_.majortype) || !IsEqualGUID(pmt->subtype, mt_.subtype) ||
      !IsEqualGUID(pmt->formattype, mt_.formattype) || pmt->cbFormat < sizeof(VIDEOINFOHEADER) ||
      pmt->pbFormat == nullptr) {
    return E_FAIL;
  }
  VIDEOINFOHEADER proposed;
  std::memcpy(&proposed, pmt->pbFormat, sizeof proposed);
  if (proposed.bmiHeader.biWidth != format_.bmiHeader.biWidth ||
      std::llabs(std::int64_t(proposed.bmiHeader.biHeight)) != format_.bmiHeader.biHeight) {
    return E_FAIL;
  }
  const REFERENCE_TIME interval = proposed.AvgTimePerFrame;
  std::lock_guard format_lock(format_lock_);
  if (interval > caps_.MinFrameInterval && interval <= caps_.MaxFrameInterval) {
    format_.AvgTimePerFrame = interval;
    format_.dwBitRate = BitRateAt(format_, interval);
  } else {
    // Out of range is not refused: the stream goes back to 30 frames a second.
    format_.AvgTimePerFrame = kMinFrameInterval;
    format_.dwBitRate = DWORD(caps_.MaxBitsPerSecond);
  }
  frame_interval_ = format_.AvgTimePerFrame;
  return S_OK;
}

HRESULT OrlinStream::GetFormat(AM_MEDIA_TYPE** pmt) {
  if (pmt == nullptr) return E_POINTER;
  // Under the format lock, so that a SetFormat in progress is never seen half done.
  std::lock_guard lock(format_lock_);
  *pmt = CreateMediaType(&mt_);
  return *pmt == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT OrlinStream::GetNumberOfCapabilities(int* piCount, int* piSize) {
  if (piCount == nullptr || piSize == nullptr) return E_POINTER;
  *piCount = 1;
  *piSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

HRESULT OrlinStream::GetStreamCaps(int iIndex, AM_MEDIA_TYPE** pmt, BYTE* pSCC) {
  if (pmt == nullptr || pSCC == nullptr) return E_POINTER;
  if (iIndex > 0) return VFW_S_NO_MORE_ITEMS;
  const HRESULT hr = GetFormat(pmt);
  if (FAILED(hr)) return hr;
  std::memcpy(pSCC, &caps_, sizeof caps_);
  return S_OK;
}

}  // namespace orlin::filter
