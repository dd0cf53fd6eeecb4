// Message boxes as boxes on the terminal, captioned and owned by the main
// screen, for as long as the object lives.
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "orlin/message_box.h"

namespace orlin::phone::tui {

class MessageBoxView {
 public:
  // Installs the hook; messages from the thread that makes the view show at
  // once and wait for a key.
  MessageBoxView();
  MessageBoxView(const MessageBoxView&) = delete;
  MessageBoxView& operator=(const MessageBoxView&) = delete;

  // Messages from other threads wait here until the screen's thread shows
  // them: curses is not for two threads at once.
  void ShowPending();

 private:
  int Show(const std::string& caption, const std::string& text);

  std::thread::id screen_thread_;
  std::mutex pending_lock_;
  std::vector<std::pair<std::string, std::string>> pending_;
  ScopedMessageBoxHook hook_;
};

}  // namespace orlin::phone::tui
