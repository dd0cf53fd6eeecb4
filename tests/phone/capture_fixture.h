// A phone capture with a hive file of its own, the real capture filter class,
// the test camera chosen, and its message boxes caught.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "orlin/registry.h"
#include "phone/camera_capture.h"
#include "tests/phone/support/datagram_receiver.h"

namespace orlin::test {

class CaptureFixture : public ::testing::Test {
 protected:
  CaptureFixture();
  ~CaptureFixture() override;

  // Values put in the phone's hive before the capture starts, as a user's
  // earlier session (or a hand edit) left them.
  void StoreDword(LPCWSTR key, LPCWSTR name, DWORD value);
  void StoreBytes(LPCWSTR key, LPCWSTR name, DWORD type, const void* data, DWORD bytes);
  void StoreFormat(std::uint32_t fourCC, DWORD width, DWORD height);

  std::vector<std::u16string> Messages();
  // Frames the real capture filter has handed the sender so far.
  long FramesDelivered() const;
  // Waits until the camera has delivered `frames` more frames; false on time-out.
  bool WaitForFrames(long frames);
  // Whether the capture filter runs its streaming thread: only a running
  // filter delivers frames, and a Stop or Pause has ended that thread.
  bool CameraStreaming() const;

  std::string hive_path_;
  std::mutex message_lock_;
  std::vector<std::u16string> messages_;
  ScopedMessageBoxHook hook_;
  // The PC end on a port of its own: whatever the capture sends goes here,
  // never to the stream port another program may be using.
  DatagramReceiver pc_;
  phone::CameraCapture capture_;
};

}  // namespace orlin::test
