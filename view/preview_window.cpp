#include "view/preview_window.h"

#include <SDL.h>

#include <algorithm>

namespace orlin::view {
namespace {

// The texture format that holds the sample's bytes as they are.
Uint32 TextureFormat(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::kI420: return SDL_PIXELFORMAT_IYUV;
    case PixelLayout::kYV12: return SDL_PIXELFORMAT_YV12;
    case PixelLayout::kNV12: return SDL_PIXELFORMAT_NV12;
    case PixelLayout::kYUY2: return SDL_PIXELFORMAT_YUY2;
    case PixelLayout::kUYVY: return SDL_PIXELFORMAT_UYVY;
    case PixelLayout::kRGB24: return SDL_PIXELFORMAT_BGR24;  // bitmap bytes: blue, green, red
    case PixelLayout::kRGB32: return SDL_PIXELFORMAT_RGB888;  // blue, green, red, unused
  }
  return SDL_PIXELFORMAT_UNKNOWN;
}

// Bytes from one row to the next (of the luma plane for planar formats).
int Pitch(const FrameFormat& format) {
  switch (format.layout) {
    case PixelLayout::kYUY2:
    case PixelLayout::kUYVY: return format.width * 2;
    case PixelLayout::kRGB24: return (format.width * 3 + 3) & ~3;
    case PixelLayout::kRGB32: return format.width * 4;
    default: return format.width;
  }
}

}  // namespace

PreviewWindow::~PreviewWindow() {
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool PreviewWindow::Open(const FrameFormat& format, const std::string& title) {
  format_ = format;
  // orlin-view handles Ctrl-C itself; closing the window is an event.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error_ = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  video_ = true;
  wake_event_ = SDL_RegisterEvents(1);
  // A small picture is shown at a size that can be seen; the window scales.
  const int scale = std::max(1, 480 / std::max(1, format.width));
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             format.width * scale, format.height * scale, SDL_WINDOW_RESIZABLE);
  if (window_ != nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ != nullptr) {
    texture_ = SDL_CreateTexture(renderer_, TextureFormat(format.layout), SDL_TEXTUREACCESS_STREAMING,
                                 format.width, format.height);
  }
  if (wake_event_ == static_cast<Uint32>(-1) || texture_ == nullptr) {
    error_ = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  title_ = title;
  SDL_RenderSetLogicalSize(renderer_, format.width, format.height);  // the aspect kept, bars around
  Show();
  return true;
}

void PreviewWindow::Post(const std::uint8_t* data, std::size_t size) {
  {
    std::lock_guard lock(mutex_);
    posted_.assign(data, data + size);
    fresh_ = true;
  }
  // One wake-up in the queue at a time: the picture itself waits in posted_.
  if (!wake_pending_.exchange(true)) {
    SDL_Event event{};
    event.type = wake_event_;
    if (SDL_PushEvent(&event) != 1) wake_pending_ = false;
  }
}

bool PreviewWindow::Pump(std::chrono::milliseconds timeout) {
  SDL_Event event;
  if (SDL_WaitEventTimeout(&event, static_cast<int>(timeout.count())) == 0) return true;
  bool open = true, show = false;
  do {
    if (event.type == SDL_QUIT) {
      open = false;
    } else if (event.type == wake_event_) {
      wake_pending_ = false;
      show = true;
    } else if (event.type == SDL_WINDOWEVENT) {
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) open = false;
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        show = true;
      }
    }
  } while (SDL_PollEvent(&event) == 1);
  if (show && open) Show();
  return open;
}

void PreviewWindow::SetTitle(const std::string& title) {
  if (window_ == nullptr || title == title_) return;
  title_ = title;
  SDL_SetWindowTitle(window_, title.c_str());
}

void PreviewWindow::Show() {
  bool updated = false;
  {
    std::lock_guard lock(mutex_);
    updated = fresh_;
    if (fresh_) shown_.swap(posted_);
    fresh_ = false;
  }
  if (updated && shown_.size() >= format_.FrameBytes()) {
    SDL_UpdateTexture(texture_, nullptr, shown_.data(), Pitch(format_));
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (!shown_.empty()) {
    // Bitmap RGB stores the bottom row first.
    SDL_RenderCopyEx(renderer_, texture_, nullptr, nullptr, 0, nullptr,
                     format_.bottom_up ? SDL_FLIP_VERTICAL : SDL_FLIP_NONE);
  }
  SDL_RenderPresent(renderer_);
}

}  // namespace orlin::view
