// orlin-view --window: the camera live in a window of its own (SDL2). The
// streaming thread posts each picture to a mailbox where the newest wins, so a
// slow screen never holds frames back, and wakes the thread that opened the
// window (SDL renders on that one), which shows it at once. The sample's bytes
// go to a texture of the stream's own format: planar and packed YUV stay YUV,
// and the renderer turns them into screen pixels.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "view/video_frame.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace orlin::view {

class PreviewWindow {
 public:
  PreviewWindow() = default;
  ~PreviewWindow();
  PreviewWindow(const PreviewWindow&) = delete;
  PreviewWindow& operator=(const PreviewWindow&) = delete;

  // Opens the window, black until the first picture; false with a message in
  // Error() (no display, a format without a texture).
  bool Open(const FrameFormat& format, const std::string& title);
  const std::string& Error() const { return error_; }

  // Any thread: a picture of the format's FrameBytes(), copied.
  void Post(const std::uint8_t* data, std::size_t size);

  // On the opening thread: handles the window's events for up to `timeout`,
  // showing each picture as it is posted. False once the user closed it.
  bool Pump(std::chrono::milliseconds timeout);
  void SetTitle(const std::string& title);

 private:
  void Show();  // the newest picture posted, if any, then the screen

  std::string error_;
  FrameFormat format_{};
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::uint32_t wake_event_ = 0;
  bool video_ = false;  // the video subsystem is up
  std::string title_;

  std::mutex mutex_;
  std::vector<std::uint8_t> posted_;  // under mutex_
  bool fresh_ = false;                // under mutex_: posted_ not yet shown
  std::atomic<bool> wake_pending_{false};
  std::vector<std::uint8_t> shown_;
};

}  // namespace orlin::view
