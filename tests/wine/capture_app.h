// What a capture application does with "Orlin Camera" under Wine's DirectShow,
// in small pieces: the PC settings in the registry, the camera found through the
// system device enumerator, a Sample Grabber callback that records what reaches
// it, and a phone (the real FrameSender) sending frames to 127.0.0.1:4444 from a
// thread of its own.
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "orlin/com_ref.h"

// In strmiids, though the SDK's qedit.h does not declare them.
extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace orlin::wine_test {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The PC's video format settings, as the setup tool stores them.
struct PcFormat {
  std::uint32_t fourCC;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t bitsPerPixel;
  std::uint32_t compression;
  std::uint32_t swapUV;
  std::size_t SampleSize() const { return std::size_t(width) * height * bitsPerPixel / 8; }
};
void StorePcFormat(const PcFormat& format);

// Orlin.dll's exports, from the copy beside the test program.
class OrlinLibrary {
 public:
  OrlinLibrary();
  ~OrlinLibrary();
  bool Loaded() const { return module_ != nullptr; }
  HRESULT Register() const;
  HRESULT Unregister() const;
  HRESULT CanUnloadNow() const;

 private:
  using Export = HRESULT(STDAPICALLTYPE*)();
  HMODULE module_ = nullptr;
  Export register_ = nullptr;
  Export unregister_ = nullptr;
  Export can_unload_now_ = nullptr;
};

// How many video input devices are called `name`; the first one's moniker.
int FindVideoInputDevice(const wchar_t* name, IMoniker** found);
// The camera filter, created from its moniker as applications do; null if missing.
HRESULT CreateCamera(IBaseFilter** camera);
IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);  // with a reference

// One sample as the grabber saw it.
struct Seen {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME end = 0;
  HRESULT timeResult = E_FAIL;
  REFERENCE_TIME clockNow = 0;  // the graph clock when the sample arrived (0 without one)
  DWORD thread = 0;
  Bytes bytes;  // only while keeping bytes
};

// ISampleGrabberCB that records every sample; lives on the test's stack.
class GrabberLog final : public ISampleGrabberCB {
 public:
  // Keep the bytes of each sample (for matching frames), or only times.
  void KeepBytes(bool keep) { keep_bytes_ = keep; }
  // The clock read at every sample, or none.
  void UseClock(IReferenceClock* clock);

  std::size_t Count() const;
  std::vector<Seen> Samples() const;
  void Clear();
  // Waits until `count` samples have arrived in all; false after `timeout`.
  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout) const;

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  LONG References() const { return references_.load(); }

  // ---- ISampleGrabberCB ----
  HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE BufferCB(double time, BYTE* buffer, LONG length) override;

 private:
  std::atomic<LONG> references_{1};
  std::atomic<bool> keep_bytes_{false};
  mutable std::mutex lock_;
  IReferenceClock* clock_ = nullptr;  // not counted: the graph outlives the samples
  std::vector<Seen> samples_;
};

// The phone: FrameSender sending `make(i)` for i = 0, 1, ... at 30 frames a
// second to 127.0.0.1:4444 until stopped. The frames as sent (the sender tags
// raw chunks in place) are kept for matching.
class Phone {
 public:
  using MakeFrame = std::function<Bytes(int index)>;
  // `cameraFourCC`: what the phone's camera delivers (YUY2 raw, YV12 compressed).
  Phone(std::uint32_t cameraFourCC, int width, int height, std::size_t frameBytes, bool compress,
        MakeFrame make);
  ~Phone();
  void Start();
  void Stop();  // the phone falls silent
  int FramesSent() const { return sent_.load(); }
  // Frames the sender sent whole in pieces, too large for the other forms.
  std::uint64_t FramesInPieces() const;
  std::vector<Bytes> SentFrames() const;

 private:
  void Run();
  struct Sender;
  Sender* sender_;
  MakeFrame make_;
  std::size_t frame_bytes_;
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  mutable std::mutex lock_;
  std::vector<Bytes> frames_;
  std::thread thread_;
};

// A smooth picture that differs from frame to frame.
Bytes Gradient(std::size_t size, int phase);

// How many of `seen` are byte for byte one of `frames`, and how many different
// frames they are.
struct Matches {
  std::size_t samples = 0;
  std::size_t distinct = 0;
};
Matches MatchFrames(const std::vector<Seen>& seen, const std::vector<Bytes>& frames);

// True when the thread has ended (or no longer exists).
bool ThreadEnded(DWORD id);

double MillisecondsSince(Clock::time_point start);

}  // namespace orlin::wine_test
