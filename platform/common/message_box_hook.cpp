#include "platform/common/message_box_hook.h"

#include <mutex>
#include <utility>

namespace orlin {
namespace {

std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

namespace detail {

MessageBoxHook CurrentMessageBoxHook() {
  std::lock_guard<std::mutex> guard(HookLock());
  return Hook();
}

}  // namespace detail

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> guard(HookLock());
  return std::exchange(Hook(), std::move(hook));
}

int ShowMessage(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  // The hook runs outside the lock so that it may show messages itself.
  if (MessageBoxHook hook = detail::CurrentMessageBoxHook()) return hook(owner, text, caption, type);
  return MessageBoxW(owner, text, caption, type);
}

}  // namespace orlin
