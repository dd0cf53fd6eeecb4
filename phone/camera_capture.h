// The phone's one capture object: it owns the camera (the platform's capture
// filter) and the FrameSender, connects the camera's first pin straight to the
// sender's pin and runs the camera without a graph or clock. It also keeps the
// phone's settings (phone_settings.cpp): the video format the camera is to
// deliver, the destination and the codec settings.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "orlin/dshow.h"
#include "orlin/message_box.h"
#include "orlin/com_ref.h"
#include "phone/frame_sender.h"
#include "phone/video_format.h"
#include "wire/announcement.h"
#include "wire/stream.h"

namespace orlin::phone {

using WideText = std::basic_string<WCHAR>;

// The host the phone sends to when none is stored. The phone program runs on
// Linux, where no cable link names the desktop; the machine itself is where a
// fresh install finds its PC side (orlin-view, the demo, the tests), and it is
// always resolvable. Another PC is one Destination Address away.
inline constexpr WCHAR kDefaultDestination[] = ORLIN_TEXT("localhost");

// Settings keys under HKEY_LOCAL_MACHINE of the phone's registry.
inline constexpr WCHAR kVideoFormatKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\Orlin\\VideoFormat");
inline constexpr WCHAR kSettingsKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\Orlin");

class CameraCapture {
 public:
  // Device names hold at most this many units with the terminator.
  static constexpr int kCameraNameChars = 260;

  // Empty: no camera, no sender. Selects the phone's registry hive.
  CameraCapture();
  ~CameraCapture();
  CameraCapture(const CameraCapture&) = delete;
  CameraCapture& operator=(const CameraCapture&) = delete;

  // Owner window and caption of every message the capture and sender show.
  void SetMessageOwner(HWND owner, LPCWSTR caption);
  // The PC's UDP port for every sender a start makes: the stream port unless
  // set (tests set ports of their own). Takes effect at the next start.
  void SetDestinationPort(std::uint16_t port) { destination_port_ = port; }
  // The port of the format announcement for every sender a start makes (see
  // FrameSender::SetAnnouncementPort; 0: none); takes effect at the next start.
  void SetAnnouncementPort(std::uint16_t port) { announcement_port_ = port; }
  // The spread of a raw frame's chunks for every sender a start makes (see
  // FrameSender::SetChunkSpread); takes effect at the next start.
  void SetChunkSpread(std::chrono::microseconds spread) { chunk_spread_ = spread; }

  // --- Capture ---
  // With `unofferedFormat`, a start made where nobody can pick a format
  // (headless): when the camera offers no type of the stored format, the
  // camera's first format is taken for this run (the stored setting stays) and
  // `*unofferedFormat` receives the stored one; its FourCC is 0 otherwise.
  HRESULT StartCapture(VideoFormat* unofferedFormat = nullptr);
  HRESULT StopCapture();
  // The formats the camera offers (at most 50), and the index of the one in
  // force (-1 when none is). The list stays valid until the next call or
  // until the capture stops. False only when the list cannot be allocated.
  bool ListVideoFormats(const VideoFormat** list, int* count, int* current);
  HRESULT DetectFormats();
  HRESULT RestartCapture();
  // The first camera device's name, into `name` (kCameraNameChars units).
  HRESULT FindCamera(WCHAR* name);

  // --- Settings (phone_settings.cpp) ---
  bool LoadVideoFormat();
  void StoreVideoFormat(int index);
  bool LoadDestination();
  // At most 31 characters are kept. True when the destination resolved.
  bool StoreDestination(LPCWSTR text);
  bool LoadCodecSettings();
  void StoreCodecSettings(std::int32_t compression, std::int32_t pixelCorrection,
                          std::int32_t numReductions);
  // The compression now in force; 0 with no sender.
  std::int32_t SetCodecSettings(std::int32_t compression, std::int32_t pixelCorrection,
                                std::int32_t numReductions);
  bool GetVideoFormat(VideoFormat* format) const;
  bool GetCodecSettings(std::int32_t* compression, std::int32_t* pixelCorrection,
                        std::int32_t* numReductions) const;
  WideText GetDestinationText() const;
  WideText GetAddressText() const;

  // For diagnostics and tests: the camera filter (null before a start) and the
  // sender (null when there is none).
  IBaseFilter* Camera() const { return camera_.Get(); }
  FrameSender* Sender() const { return sender_.get(); }

 private:
  void ShowError(LPCWSTR text) const;
  // The camera filter's first pin, whatever its direction.
  HRESULT FirstPin(ComRef<IPin>* pin) const;
  HRESULT StartSteps(VideoFormat* unofferedFormat);
  // Connects the camera's pin to the sender's; see StartCapture.
  HRESULT ConnectCamera(IPin* pin, VideoFormat* unofferedFormat);

  ComRef<IBaseFilter> camera_;
  std::unique_ptr<FrameSender> sender_;
  std::unique_ptr<VideoFormat[]> format_list_;
  std::uint16_t destination_port_ = wire::kStreamPort;
  std::uint16_t announcement_port_ = wire::kAnnouncementPort;
  std::chrono::microseconds chunk_spread_{0};
  HWND message_owner_ = nullptr;
  LPCWSTR message_caption_;
};

}  // namespace orlin::phone
