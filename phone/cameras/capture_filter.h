// The video capture filter the phone creates for its camera (CLSID_VideoCapture
// in the in-process class table). Loading its property bag opens the camera
// named by "VCapName"; its first pin is the capture pin; while it runs, a
// streaming thread of its own hands the connected pin one sample per frame,
// paced by the camera's frame rate and not by any clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "orlin/automation.h"
#include "orlin/com_object.h"
#include "orlin/dshow.h"
#include "phone/cameras/camera.h"
#include "phone/cameras/capture_pin.h"
#include "phone/cameras/frame_sample.h"

namespace orlin::phone::cameras {

class CaptureFilter final
    : public ComObject<IBaseFilter, IID_IPersist, IID_IMediaFilter, IID_IBaseFilter>,
      public IPersistPropertyBag {
 public:
  // The class factory of CLSID_VideoCapture.
  static HRESULT Create(IUnknown* outer, REFIID riid, void** object);

  // Frames handed to the connected pin since the filter was made.
  long FramesDelivered() const { return delivered_.load(); }

  // --- For the capture pin, under StateLock() ---
  std::recursive_mutex& StateLock() { return lock_; }
  bool Stopped() const { return state_ == State_Stopped; }
  // The opened camera's formats; empty before Load.
  const std::vector<CameraFormat>& Formats() const;
  // Sizes the frame buffer for a connection; false when memory is out.
  bool PrepareFrames(std::size_t bytes);

  // --- IUnknown, for the property bag face as well ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return ComObject::QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }

  // --- IPersist ---
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;

  // --- IMediaFilter ---
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;

  // --- IBaseFilter ---
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

  // --- IPersistPropertyBag ---
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* errorLog) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

 private:
  CaptureFilter();
  ~CaptureFilter() override;
  HRESULT QueryOtherInterface(REFIID riid, void** object) override;
  CaptureFilter(const CaptureFilter&) = delete;
  CaptureFilter& operator=(const CaptureFilter&) = delete;

  // Streaming (capture_filter_stream.cpp).
  void StartStreaming();
  void StopStreaming();
  void Stream(IMemInputPin* sink, REFERENCE_TIME frameInterval);

  std::recursive_mutex lock_;
  FILTER_STATE state_ = State_Stopped;
  std::unique_ptr<Camera> camera_;
  CapturePin pin_;
  ComRef<IReferenceClock> clock_;

  std::vector<BYTE> frame_;
  FrameSample sample_;
  std::thread streamer_;
  std::mutex wake_lock_;
  std::condition_variable wake_;
  bool stop_streaming_ = false;
  std::atomic<long> delivered_{0};
};

}  // namespace orlin::phone::cameras
